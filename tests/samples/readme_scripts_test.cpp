// The README's VBScript and JScript examples, taken from the README as it
// stands and run by cscript in the Wine prefix with the simulator and the
// control registered, print what the comments of their Echo lines say.
#include "HostProgram.h"
#include "RegistryTree.h"

#include <fstream>
#include <sstream>

using namespace hxtest;

namespace {

std::string ReadmeText() {
    std::string path = std::string("Z:") + HX_README_PATH; // the source tree, seen from Wine
    for (char& c : path)
        if (c == '/') c = '\\';
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The code of the first block fenced as ```<language>.
std::string CodeBlock(const std::string& readme, const std::string& language) {
    const std::string fence = "```" + language + "\n";
    const size_t start = readme.find(fence);
    if (start == std::string::npos) return std::string();
    const size_t code = start + fence.size();
    const size_t end = readme.find("\n```", code);
    return end == std::string::npos ? std::string() : readme.substr(code, end - code + 1);
}

// The comment of a line (after `marker`, outside string literals), or "".
std::string CommentOf(const std::string& line, const std::string& marker) {
    bool inString = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') inString = !inString;
        if (!inString && line.compare(i, marker.size(), marker) == 0)
            return line.substr(i + marker.size());
    }
    return std::string();
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// What the Echo lines promise: each comment's text up to a parenthesis.
std::vector<std::string> Promised(const std::string& code, const std::string& marker) {
    std::vector<std::string> lines;
    std::istringstream in(code);
    for (std::string line; std::getline(in, line);) {
        if (line.find("WScript.Echo") == std::string::npos) continue;
        const std::string comment = CommentOf(line, marker);
        lines.push_back(Trimmed(comment.substr(0, comment.find('('))));
    }
    return lines;
}

std::vector<std::string> LinesOf(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (!Trimmed(line).empty()) lines.push_back(Trimmed(line));
    return lines;
}

class ReadmeScripts : public ::testing::Test {
protected:
    void SetUp() override {
        PutToolkitOnPath();
        ASSERT_EQ(0, Regsvr32(BinDirectory() + "\\HXKImg.dll"));
        ASSERT_EQ(0, Regsvr32(OcxPath()));
    }
    void TearDown() override {
        Regsvr32(OcxPath(), "/u");
        Regsvr32(BinDirectory() + "\\HXKImg.dll", "/u");
        EXPECT_EQ(std::vector<std::string>{}, RegistryTree("HXDIGIO.HXdigIOCtrl.1"));
        EXPECT_EQ(std::vector<std::string>{}, RegistryTree("HXKSim.Simulator"));
    }
};

TEST_F(ReadmeScripts, EachExamplePrintsWhatItsCommentsSay) {
    const std::string readme = ReadmeText();
    ASSERT_FALSE(readme.empty()) << "README.md not found at " << HX_README_PATH;
    const struct {
        const char* language;
        const char* comment;
        const char* file;
    } kExamples[] = {{"vbscript", "'", "demo.vbs"}, {"jscript", "//", "demo.js"}};
    const std::string folder = BinDirectory() + "\\readme-scripts";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const auto& example : kExamples) {
        SCOPED_TRACE(example.language);
        const std::string code = CodeBlock(readme, example.language);
        const std::vector<std::string> promised = Promised(code, example.comment);
        ASSERT_GE(promised.size(), 4u) << code;
        const std::string path = folder + "\\" + example.file;
        std::ofstream(path, std::ios::binary) << code;
        // Wine's cscript ends a script silently at an error, with exit code
        // 0: a line that did not run shows as a missing line.
        const auto [status, output] = RunProgram("cscript.exe //nologo \"" + path + "\"");
        EXPECT_EQ(0, status) << output;
        EXPECT_EQ(promised, LinesOf(output));
    }
}

} // namespace
