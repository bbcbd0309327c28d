// The two toolkit settings the bench switches, in the toolkit's key
// HKEY_LOCAL_MACHINE\Software\Harlow\Toolkit:
//   "Global AsyncACQ Enabled"  read by each control when it is made: 1 lets
//                              workers fire Listener and Toggler on their
//                              own threads instead of handing them to the
//                              control's window thread
//   "DigIO via HPC"            read by each toggler when it is made: 1 times
//                              its pulses on the toolkit's stopwatch instead
//                              of Sleep
// The bench puts both back as it found them when it ends.
#pragma once

#include <windows.h>

class SettingsKey {
public:
    SettingsKey();
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    ~SettingsKey() { Restore(); }

    bool FireOnWorkerThreads() const;
    void SetFireOnWorkerThreads(bool on);
    bool PulsesOnStopwatch() const;
    void SetPulsesOnStopwatch(bool on);

    void Restore();

private:
    struct Saved {
        bool present = false;
        DWORD value = 0;
    };
    static Saved Read(const char* name);
    static void Write(const char* name, const Saved& saved);

    bool m_keyExisted = false;
    Saved m_fireDirect, m_useStopwatch;
    bool m_restored = false;
};
