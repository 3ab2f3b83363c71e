// Stored settings: what SaveSettings writes to the registry and to ini files, what
// RestoreSettings applies from them, the registry path's root names, the failures and the
// update bracket around a restore.

#include "base/IniFiles.h"
#include "base/Registry.h"
#include "serial/CPort.h"
#include "support/PortExpect.h"
#include "support/SerialPeer.h"
#include "support/TempConfig.h"
#include "support/VirtualPort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tavrin::testing {
namespace {

using win::DWORD;
using win::HKEY;
using win::LONG;

const std::string Ketno = "HKEY_LOCAL_MACHINE\\Software\\Ketno";

// Every stored setting of a port as "key=value" lines, in the stored order.
std::string Settings(const TCustomComPort& p) {
    const TComFlowControl& f = p.FlowControl();
    std::string s;
    auto line = [&](const char* key, const std::string& value) {
        s += std::string(key) + "=" + value + "\n";
    };
    line("Port", p.Port());
    line("BaudRate", BaudRateToText(p.BaudRate()));
    if (p.BaudRate() == brCustom)
        line("CustomBaudRate", std::to_string(p.CustomBaudRate()));
    line("StopBits", StopBitsToText(p.StopBits()));
    line("DataBits", DataBitsToText(p.DataBits()));
    line("Parity", ParityToText(p.Parity().Bits()));
    line("FlowControl", FlowControlToText(f.FlowControl()));
    line("EventChar", CharToText(p.EventChar()));
    line("DiscardNull", BoolToText(p.DiscardNull()));
    line("Parity.Check", BoolToText(p.Parity().Check()));
    line("Parity.Replace", BoolToText(p.Parity().Replace()));
    line("Parity.ReplaceChar", CharToText(p.Parity().ReplaceChar()));
    line("Buffer.OutputSize", std::to_string(p.Buffer().OutputSize()));
    line("Buffer.InputSize", std::to_string(p.Buffer().InputSize()));
    line("Timeouts.ReadInterval", std::to_string(p.Timeouts().ReadInterval()));
    line("Timeouts.ReadTotalConstant", std::to_string(p.Timeouts().ReadTotalConstant()));
    line("Timeouts.ReadTotalMultiplier", std::to_string(p.Timeouts().ReadTotalMultiplier()));
    line("Timeouts.WriteTotalConstant", std::to_string(p.Timeouts().WriteTotalConstant()));
    line("Timeouts.WriteTotalMultiplier", std::to_string(p.Timeouts().WriteTotalMultiplier()));
    line("FlowControl.ControlRTS", RtsControlToText(f.ControlRTS()));
    line("FlowControl.ControlDTR", DtrControlToText(f.ControlDTR()));
    line("FlowControl.DSRSensitivity", BoolToText(f.DSRSensitivity()));
    line("FlowControl.OutCTSFlow", BoolToText(f.OutCTSFlow()));
    line("FlowControl.OutDSRFlow", BoolToText(f.OutDSRFlow()));
    line("FlowControl.TxContinueOnXoff", BoolToText(f.TxContinueOnXoff()));
    line("FlowControl.XonXoffIn", BoolToText(f.XonXoffIn()));
    line("FlowControl.XonXoffOut", BoolToText(f.XonXoffOut()));
    line("FlowControl.XoffChar", CharToText(f.XoffChar()));
    line("FlowControl.XonChar", CharToText(f.XonChar()));
    return s;
}

// The main window's port as its layout makes it.
void MakeMainWindowPort(TComPort& p) {
    p.SetName("ComPort");
    p.FlowControl().SetControlDTR(dtrEnable);
    p.FlowControl().SetControlRTS(rtsHandshake);
}

// A value that differs from the default in every setting.
void ChangeEverything(TComPort& p) {
    p.SetPort("COM7");
    p.SetBaudRate(brCustom);
    p.SetCustomBaudRate(31250);
    p.SetStopBits(sbTwoStopBits);
    p.SetDataBits(dbSeven);
    p.Parity().SetBits(prEven);
    p.SetEventChar('\n');
    p.SetDiscardNull(true);
    p.Parity().SetCheck(true);
    p.Parity().SetReplace(true);
    p.Parity().SetReplaceChar('?');
    p.Buffer().SetOutputSize(4096);
    p.Buffer().SetInputSize(8192);
    p.Timeouts().SetReadInterval(10);
    p.Timeouts().SetReadTotalConstant(20);
    p.Timeouts().SetReadTotalMultiplier(30);
    p.Timeouts().SetWriteTotalConstant(40);
    p.Timeouts().SetWriteTotalMultiplier(50);
    p.FlowControl().SetControlRTS(rtsToggle);
    p.FlowControl().SetControlDTR(dtrHandshake);
    p.FlowControl().SetDSRSensitivity(true);
    p.FlowControl().SetOutCTSFlow(true);
    p.FlowControl().SetOutDSRFlow(true);
    p.FlowControl().SetTxContinueOnXoff(true);
    p.FlowControl().SetXonXoffIn(true);
    p.FlowControl().SetXonXoffOut(true);
    p.FlowControl().SetXoffChar(' ');
    p.FlowControl().SetXonChar('\xC8');
}

const TStoredGroups AllGroups = {sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgOthers};

struct Value {
    std::string name;
    DWORD type;
    std::string data;
    bool operator==(const Value&) const = default;
};
void PrintTo(const Value& v, std::ostream* os) {
    *os << v.name << ":" << v.type << ":" << v.data;
}

// The values of a stored key, in order; empty when the key does not exist.
std::vector<Value> StoredValues(HKEY root, const std::string& path) {
    std::vector<Value> values;
    HKEY key = nullptr;
    if (win::RegOpenKeyExA(root, path.c_str(), 0, win::KEY_READ, &key) != 0)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        win::BYTE data[256];
        DWORD nameLength = sizeof name;
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (win::RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != 0)
            break;
        values.push_back({name, type, std::string(reinterpret_cast<char*>(data), dataLength)});
    }
    win::RegCloseKey(key);
    return values;
}

Value Sz(const std::string& name, const std::string& text) {
    return {name, win::REG_SZ, text + '\0'};
}

class PortStorage : public ::testing::Test {
protected:
    PortStorage() { MakeMainWindowPort(port); }
    std::string IniPath() const { return config.Config() + "/tavrin.ini"; }

    TempConfig config;
    TComPort port;
};

TEST_F(PortStorage, TheMainWindowPortStoresSixTextsUnderItsName) {
    port.SaveSettings(ssRegistry, Ketno);
    EXPECT_EQ(StoredValues(win::HKEY_LOCAL_MACHINE, "Software\\Ketno\\ComPort"),
              (std::vector<Value>{Sz("Port", "COM1"), Sz("BaudRate", "9600"), Sz("StopBits", "1"),
                                  Sz("DataBits", "8"), Sz("Parity", "None"),
                                  Sz("FlowControl", "Custom")}));
}

TEST_F(PortStorage, CustomBaudRateIsStoredAndReadOnlyWithTheCustomBaudRate) {
    const std::string custom("\x12\x7A\x00\x00", 4); // 31250
    struct Row {
        const char* name;
        TBaudRate rate;
        bool written;
    } rows[] = {{"custom", brCustom, true}, {"19200", br19200, false}};
    for (const Row& row : rows) {
        for (TSettingsStorage storage : {ssRegistry, ssIniFile}) {
            SCOPED_TRACE(std::string(row.name) + (storage == ssIniFile ? " ini" : " registry"));
            std::filesystem::remove_all(config.Config());
            const std::string where = storage == ssIniFile ? "tavrin.ini" : Ketno;
            TComPort saved;
            MakeMainWindowPort(saved);
            saved.SetBaudRate(row.rate);
            saved.SetCustomBaudRate(31250);
            saved.SaveSettings(storage, where);
            if (storage == ssRegistry) {
                const auto values =
                    StoredValues(win::HKEY_LOCAL_MACHINE, "Software\\Ketno\\ComPort");
                const bool found =
                    std::find(values.begin(), values.end(),
                              Value{"CustomBaudRate", win::REG_DWORD, custom}) != values.end();
                EXPECT_EQ(found, row.written);
                EXPECT_EQ(values.size(), row.written ? 7u : 6u);
            } else {
                EXPECT_EQ(ReadFile(IniPath()).find("CustomBaudRate=31250\n") != std::string::npos,
                          row.written);
            }
            TComPort restored;
            MakeMainWindowPort(restored);
            restored.SetCustomBaudRate(1200);
            restored.RestoreSettings(storage, where);
            EXPECT_EQ(restored.BaudRate(), row.rate);
            EXPECT_EQ(restored.CustomBaudRate(), row.written ? 31250 : 1200);
        }
    }
}

TEST_F(PortStorage, EverySettingGoesThroughAnIniFileThatConfigparserReadsAlike) {
    ChangeEverything(port);
    port.SetStoredGroups(AllGroups);
    port.SaveSettings(ssIniFile, "tavrin.ini");
    const std::string expected = Settings(port);
    EXPECT_NE(expected.find("FlowControl.XonChar=#200\n"), std::string::npos);

    SerialPeer peer(StorePeerScript());
    ASSERT_TRUE(peer.Started()) << "Debian's python3 missing?";
    const std::string answer = peer.Ask("ini " + IniPath() + " ComPort");
    ASSERT_EQ(answer.rfind("ini ", 0), 0u) << answer;
    EXPECT_EQ(FromHex(answer.substr(4)), expected);

    for (TSettingsStorage storage : {ssIniFile, ssRegistry}) {
        if (storage == ssRegistry)
            port.SaveSettings(ssRegistry, Ketno);
        TComPort restored;
        restored.SetName("ComPort");
        restored.SetStoredGroups(AllGroups);
        restored.RestoreSettings(storage, storage == ssIniFile ? "tavrin.ini" : Ketno);
        EXPECT_EQ(Settings(restored), expected);
    }
}

TEST_F(PortStorage, AHandWrittenIniIsReadAndKeptByALaterSave) {
    const std::string handWritten = "; lab bench 3\r\n"
                                    "[Other]\r\n"
                                    "Port=COM9\r\n"
                                    "\r\n"
                                    "[comport]\r\n"
                                    "PORT = COM4\r\n"
                                    "baudrate=115200\r\n"
                                    "parity=even\r\n"
                                    "Buffer.OutputSize=$800\r\n"
                                    "Buffer.InputSize=lots\r\n"
                                    "# Ctrl-Z as the event character\r\n"
                                    "eventchar=#26\r\n";
    WriteFile(IniPath(), handWritten);
    port.SetStoredGroups(AllGroups);
    port.RestoreSettings(ssIniFile, "tavrin.ini");
    EXPECT_EQ(port.Port(), "COM4");
    EXPECT_EQ(port.BaudRate(), br115200);
    EXPECT_EQ(port.Parity().Bits(), prEven);
    EXPECT_EQ(port.Buffer().OutputSize(), 2048);
    EXPECT_EQ(port.Buffer().InputSize(), 1024); // not an integer: the setting stays
    EXPECT_EQ(port.EventChar(), '\x1A');
    EXPECT_EQ(port.DataBits(), dbEight); // missing: the setting stays

    port.SetPort("COM5");
    port.SetStoredGroups({sgBasic});
    port.SaveSettings(ssIniFile, "tavrin.ini");
    const std::string after = ReadFile(IniPath());
    EXPECT_EQ(after.substr(0, after.find("PORT")), handWritten.substr(0, handWritten.find("PORT")));
    for (const char* kept : {"# Ctrl-Z as the event character\r\neventchar=#26\r\n",
                             "Buffer.OutputSize=$800\r\nBuffer.InputSize=lots\r\n",
                             "PORT=COM5\r\nbaudrate=115200\r\nparity=Even\r\n",
                             "\r\nStopBits=1\r\nDataBits=8\r\nFlowControl=Custom\r\n"})
        EXPECT_NE(after.find(kept), std::string::npos) << kept << "\nin:\n" << after;
}

TEST_F(PortStorage, RestoringFromNothingStoredGivesTheFallbacks) {
    struct Row {
        const char* name;
        TSettingsStorage storage;
        std::string location;
        std::string port;
        TBaudRate rate;
        TStopBits stop;
        TDataBits data;
        TParityBits parity;
        TFlowControl flow;
        std::int32_t custom;
    } rows[] = {
        // An ini file without the section changes nothing but a custom rate's value.
        {"ini without the section", ssIniFile, "tavrin.ini", "COM3", brCustom, sbTwoStopBits,
         dbSeven, prOdd, fcHardware, 9600},
        // A registry key without values (the restore creates it) gives the fallbacks.
        {"missing registry key", ssRegistry, Ketno, "", br9600, sbOneStopBit, dbEight, prNone,
         fcHardware, 4800},
        {"path without a backslash", ssRegistry, "Software", "", br9600, sbOneStopBit, dbEight,
         prNone, fcHardware, 4800},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(IniPath(), "[Other]\nPort=COM9\n");
        TComPort p;
        MakeMainWindowPort(p);
        p.SetPort("COM3");
        p.SetBaudRate(brCustom);
        p.SetCustomBaudRate(4800);
        p.SetStopBits(sbTwoStopBits);
        p.SetDataBits(dbSeven);
        p.Parity().SetBits(prOdd);
        p.FlowControl().SetFlowControl(fcHardware);
        p.RestoreSettings(row.storage, row.location);
        EXPECT_EQ(p.Port(), row.port);
        EXPECT_EQ(p.BaudRate(), row.rate);
        EXPECT_EQ(p.StopBits(), row.stop);
        EXPECT_EQ(p.DataBits(), row.data);
        EXPECT_EQ(p.Parity().Bits(), row.parity);
        // The preset's fallback is Custom, which leaves the flow-control fields as they are.
        EXPECT_EQ(p.FlowControl().FlowControl(), row.flow);
        EXPECT_EQ(p.CustomBaudRate(), row.custom);
    }
    EXPECT_TRUE(StoredValues(win::HKEY_LOCAL_MACHINE, "Software\\Ketno\\ComPort").empty());
    HKEY created = nullptr;
    EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\Ketno\\ComPort", 0,
                                 win::KEY_READ, &created),
              0);
    win::RegCloseKey(created);
}

TEST_F(PortStorage, TheRootNameSelectsTheRootAndTheKeyLiesBelowThePath) {
    struct Row {
        std::string path;
        HKEY root;
        std::string key;
    } rows[] = {
        {"hkey_local_machine\\Software\\X", win::HKEY_LOCAL_MACHINE, "Software\\X\\ComPort"},
        {"HKEY_Current_User\\Software\\X", win::HKEY_CURRENT_USER, "Software\\X\\ComPort"},
        {"HKEY_USERS\\Software\\Y", win::HKEY_CURRENT_USER, "Software\\Y\\ComPort"},
        {"HKEY_LOCAL_MACHINE\\Software\\Z\\", win::HKEY_LOCAL_MACHINE, "Software\\Z\\ComPort"},
        {"HKEY_LOCAL_MACHINE\\", win::HKEY_LOCAL_MACHINE, "ComPort"},
        {"HKEY_CURRENT_USER\\", win::HKEY_CURRENT_USER, "ComPort"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        std::filesystem::remove_all(config.Config());
        port.SaveSettings(ssRegistry, row.path);
        const auto values = StoredValues(row.root, row.key);
        ASSERT_EQ(values.size(), 6u);
        EXPECT_EQ(values[0], Sz("Port", "COM1"));
        port.SetPort("COM2");
        port.RestoreSettings(ssRegistry, row.path);
        EXPECT_EQ(port.Port(), "COM1");
    }
    // Without a backslash nothing is opened, so nothing can be written.
    ExpectComError([&] { port.SaveSettings(ssRegistry, "Software"); }, CError_StoreFailed, -1);
}

TEST_F(PortStorage, AFailedRestoreKeepsWhatWasAppliedBeforeIt) {
    port.SetPort("COM6");
    port.SaveSettings(ssRegistry, Ketno); // the basic group only: no Buffer.OutputSize
    TComPort restored;
    MakeMainWindowPort(restored);
    restored.SetStoredGroups({sgBasic, sgBuffer});
    ExpectComError([&] { restored.RestoreSettings(ssRegistry, Ketno); }, CError_LoadFailed, -1);
    EXPECT_EQ(restored.Port(), "COM6");
    EXPECT_EQ(restored.UpdateCount(), 0);
}

TEST_F(PortStorage, RegistryValuesMustHaveTheirType) {
    const std::string dword("\x00\x96\x00\x00", 4); // 38400
    struct Row {
        const char* name;
        const char* value;
        DWORD type;
        std::string data;
        bool restores;
    } rows[] = {
        {"text as REG_SZ", "Port", win::REG_SZ, std::string("COM8\0", 5), true},
        {"text as REG_EXPAND_SZ, not expanded", "Port", win::REG_EXPAND_SZ,
         std::string("%HOME%\0", 7), true},
        {"text as REG_DWORD", "Port", win::REG_DWORD, dword, false},
        {"text as REG_BINARY", "Port", win::REG_BINARY, "COM8", false},
        {"integer as REG_DWORD", "CustomBaudRate", win::REG_DWORD, dword, true},
        {"integer as REG_SZ", "CustomBaudRate", win::REG_SZ, std::string("38400\0", 6), false},
        {"integer of 2 bytes", "CustomBaudRate", win::REG_DWORD, dword.substr(0, 2), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(config.Config());
        port.SetBaudRate(brCustom);
        port.SaveSettings(ssRegistry, Ketno);
        HKEY key = nullptr;
        ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\Ketno\\ComPort", 0,
                                       nullptr, 0, win::KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  0);
        ASSERT_EQ(win::RegSetValueExA(key, row.value, 0, row.type,
                                      reinterpret_cast<const win::BYTE*>(row.data.data()),
                                      static_cast<DWORD>(row.data.size())),
                  0);
        win::RegCloseKey(key);
        TComPort restored;
        MakeMainWindowPort(restored);
        if (row.restores) {
            restored.RestoreSettings(ssRegistry, Ketno);
            if (std::string(row.value) == "Port")
                EXPECT_EQ(restored.Port(), row.data.substr(0, row.data.size() - 1));
            else
                EXPECT_EQ(restored.CustomBaudRate(), 38400);
        } else {
            ExpectComError([&] { restored.RestoreSettings(ssRegistry, Ketno); }, CError_LoadFailed,
                           -1);
        }
    }
}

TEST_F(PortStorage, AStoreThatCannotBeUsedFailsWithTheNumberedErrorAndKeepsItsContent) {
    const std::string db = config.Config() + "/registry.db";
    WriteFile(db, "this is not a database, and it must survive");
    std::filesystem::create_directory(config.Config() + "/folder.ini");
    const std::string before = Settings(port);

    ExpectComError([&] { port.SaveSettings(ssRegistry, Ketno); }, CError_StoreFailed, -1);
    ExpectComError([&] { port.RestoreSettings(ssRegistry, Ketno); }, CError_LoadFailed, -1);
    ExpectComError([&] { port.SaveSettings(ssIniFile, "folder.ini"); }, CError_StoreFailed, -1);
    EXPECT_EQ(Settings(port), before) << "nothing blank was applied from a broken store";
    EXPECT_EQ(ReadFile(db), "this is not a database, and it must survive");
    EXPECT_TRUE(std::filesystem::is_directory(config.Config() + "/folder.ini"));
}

// A derived port stores one more setting through the overridable operations.
class ExtendedPort : public TComPort {
public:
    std::string note = "none";

protected:
    void SaveToIniFile(TIniFile& iniFile) override {
        TComPort::SaveToIniFile(iniFile);
        iniFile.WriteString(Name(), "Note", note);
    }
    void RestoreFromIniFile(TIniFile& iniFile) override {
        TComPort::RestoreFromIniFile(iniFile);
        note = iniFile.ReadString(Name(), "Note", "missing");
    }
    void SaveToRegistry(TRegistry& registry) override {
        TComPort::SaveToRegistry(registry);
        registry.WriteString("Note", note);
    }
    void RestoreFromRegistry(TRegistry& registry) override {
        TComPort::RestoreFromRegistry(registry);
        note = registry.ReadString("Note");
    }
};

TEST_F(PortStorage, ADerivedPortStoresMoreThroughTheOverridableOperations) {
    for (TSettingsStorage storage : {ssIniFile, ssRegistry}) {
        const std::string where = storage == ssIniFile ? "tavrin.ini" : Ketno;
        ExtendedPort saved;
        saved.SetName("ComPort");
        saved.note = "bench 3";
        saved.SaveSettings(storage, where);
        ExtendedPort restored;
        restored.SetName("ComPort");
        restored.RestoreSettings(storage, where);
        EXPECT_EQ(restored.note, "bench 3");
    }
}

TEST(PortStorageOpen, ARestoreConfiguresAnOpenDeviceOnceAtTheEnd) {
    TempConfig config;
    VirtualPort vp;
    ProbePort& port = vp.Port();
    port.SetEvents({});
    port.SetName("ComPort");
    port.SetBaudRate(br19200);
    port.SetDataBits(dbSeven);
    port.SaveSettings(ssRegistry, Ketno);
    port.SetBaudRate(br9600);
    port.SetDataBits(dbEight);
    port.OpenPort();
    vp.Device().ClearJournal();
    port.RestoreSettings(ssRegistry, Ketno);
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_EQ(port.DataBits(), dbSeven);
    using win::virt::Call;
    EXPECT_EQ(vp.DeviceCalls(),
              (std::vector<Call>{Call::SetupComm, Call::SetCommState, Call::SetCommTimeouts}));

    // A failing configuration at the end fails the restore; the bracket is closed.
    vp.Device().ClearJournal();
    vp.Device().FailNext(Call::SetCommState, 87);
    ExpectComError([&] { port.RestoreSettings(ssRegistry, Ketno); }, CError_LoadFailed, -1);
    EXPECT_EQ(port.UpdateCount(), 0);
}

} // namespace
} // namespace tavrin::testing
