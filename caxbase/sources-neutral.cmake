# Sources of the platform-neutral base library (built for Windows and natively).
set(HX_CAXBASE_NEUTRAL_SOURCES
    CaxPlatform.cpp
    CaxFaultSeam.cpp
    CaxCString.cpp
    CaxCStringEdit.cpp
    CaxCStringFormat.cpp
    CaxCStringParse.cpp
    CaxCStringSearch.cpp
    CaxCStringSplit.cpp
    CaxCStringVector.cpp
    CaxObject.cpp
    CaxExceptionObject.cpp
    CaxErrorStrings.cpp
    CaxHRESULT.cpp
    CaxVector2D.cpp
)
