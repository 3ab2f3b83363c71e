// Stored settings: the port's settings written to and read back from a registry key or an
// ini file section named after the port component.

#include "base/IniFiles.h"
#include "base/Registry.h"
#include "base/Strings.h"
#include "serial/CPort.h"

namespace tavrin {

namespace {

// One stored setting: its key, its group, and how it is read from and applied to the port,
// as text or as an integer.
struct StoredSetting {
    const char* key;
    TStoredGroup group;
    std::string (*text)(const TCustomComPort&);
    void (*setText)(TCustomComPort&, const std::string&);
    std::int32_t (*integer)(const TCustomComPort&);
    void (*setInteger)(TCustomComPort&, std::int32_t);
};

using P = TCustomComPort;
using C = const TCustomComPort;

// The groups in the order they are written and read (basic, others, parity, buffer,
// timeouts, flow control), each key in its place within the group.
const StoredSetting Settings[] = {
    {"Port", sgBasic, [](C& p) { return p.Port(); },
     [](P& p, const std::string& t) { p.SetPort(t); }, nullptr, nullptr},
    {"BaudRate", sgBasic, [](C& p) { return BaudRateToText(p.BaudRate()); },
     [](P& p, const std::string& t) { p.SetBaudRate(TextToBaudRate(t)); }, nullptr, nullptr},
    {"CustomBaudRate", sgBasic, nullptr, nullptr, [](C& p) { return p.CustomBaudRate(); },
     [](P& p, std::int32_t v) { p.SetCustomBaudRate(v); }},
    {"StopBits", sgBasic, [](C& p) { return StopBitsToText(p.StopBits()); },
     [](P& p, const std::string& t) { p.SetStopBits(TextToStopBits(t)); }, nullptr, nullptr},
    {"DataBits", sgBasic, [](C& p) { return DataBitsToText(p.DataBits()); },
     [](P& p, const std::string& t) { p.SetDataBits(TextToDataBits(t)); }, nullptr, nullptr},
    {"Parity", sgBasic, [](C& p) { return ParityToText(p.Parity().Bits()); },
     [](P& p, const std::string& t) { p.Parity().SetBits(TextToParity(t)); }, nullptr, nullptr},
    {"FlowControl", sgBasic, [](C& p) { return FlowControlToText(p.FlowControl().FlowControl()); },
     [](P& p, const std::string& t) { p.FlowControl().SetFlowControl(TextToFlowControl(t)); },
     nullptr, nullptr},

    {"EventChar", sgOthers, [](C& p) { return CharToText(p.EventChar()); },
     [](P& p, const std::string& t) { p.SetEventChar(TextToChar(t)); }, nullptr, nullptr},
    {"DiscardNull", sgOthers, [](C& p) { return BoolToText(p.DiscardNull()); },
     [](P& p, const std::string& t) { p.SetDiscardNull(TextToBool(t)); }, nullptr, nullptr},

    {"Parity.Check", sgParity, [](C& p) { return BoolToText(p.Parity().Check()); },
     [](P& p, const std::string& t) { p.Parity().SetCheck(TextToBool(t)); }, nullptr, nullptr},
    {"Parity.Replace", sgParity, [](C& p) { return BoolToText(p.Parity().Replace()); },
     [](P& p, const std::string& t) { p.Parity().SetReplace(TextToBool(t)); }, nullptr, nullptr},
    {"Parity.ReplaceChar", sgParity, [](C& p) { return CharToText(p.Parity().ReplaceChar()); },
     [](P& p, const std::string& t) { p.Parity().SetReplaceChar(TextToChar(t)); }, nullptr,
     nullptr},

    {"Buffer.OutputSize", sgBuffer, nullptr, nullptr, [](C& p) { return p.Buffer().OutputSize(); },
     [](P& p, std::int32_t v) { p.Buffer().SetOutputSize(v); }},
    {"Buffer.InputSize", sgBuffer, nullptr, nullptr, [](C& p) { return p.Buffer().InputSize(); },
     [](P& p, std::int32_t v) { p.Buffer().SetInputSize(v); }},

    {"Timeouts.ReadInterval", sgTimeouts, nullptr, nullptr,
     [](C& p) { return p.Timeouts().ReadInterval(); },
     [](P& p, std::int32_t v) { p.Timeouts().SetReadInterval(v); }},
    {"Timeouts.ReadTotalConstant", sgTimeouts, nullptr, nullptr,
     [](C& p) { return p.Timeouts().ReadTotalConstant(); },
     [](P& p, std::int32_t v) { p.Timeouts().SetReadTotalConstant(v); }},
    {"Timeouts.ReadTotalMultiplier", sgTimeouts, nullptr, nullptr,
     [](C& p) { return p.Timeouts().ReadTotalMultiplier(); },
     [](P& p, std::int32_t v) { p.Timeouts().SetReadTotalMultiplier(v); }},
    {"Timeouts.WriteTotalConstant", sgTimeouts, nullptr, nullptr,
     [](C& p) { return p.Timeouts().WriteTotalConstant(); },
     [](P& p, std::int32_t v) { p.Timeouts().SetWriteTotalConstant(v); }},
    {"Timeouts.WriteTotalMultiplier", sgTimeouts, nullptr, nullptr,
     [](C& p) { return p.Timeouts().WriteTotalMultiplier(); },
     [](P& p, std::int32_t v) { p.Timeouts().SetWriteTotalMultiplier(v); }},

    {"FlowControl.ControlRTS", sgFlowControl,
     [](C& p) { return RtsControlToText(p.FlowControl().ControlRTS()); },
     [](P& p, const std::string& t) { p.FlowControl().SetControlRTS(TextToRtsControl(t)); },
     nullptr, nullptr},
    {"FlowControl.ControlDTR", sgFlowControl,
     [](C& p) { return DtrControlToText(p.FlowControl().ControlDTR()); },
     [](P& p, const std::string& t) { p.FlowControl().SetControlDTR(TextToDtrControl(t)); },
     nullptr, nullptr},
    {"FlowControl.DSRSensitivity", sgFlowControl,
     [](C& p) { return BoolToText(p.FlowControl().DSRSensitivity()); },
     [](P& p, const std::string& t) { p.FlowControl().SetDSRSensitivity(TextToBool(t)); }, nullptr,
     nullptr},
    {"FlowControl.OutCTSFlow", sgFlowControl,
     [](C& p) { return BoolToText(p.FlowControl().OutCTSFlow()); },
     [](P& p, const std::string& t) { p.FlowControl().SetOutCTSFlow(TextToBool(t)); }, nullptr,
     nullptr},
    {"FlowControl.OutDSRFlow", sgFlowControl,
     [](C& p) { return BoolToText(p.FlowControl().OutDSRFlow()); },
     [](P& p, const std::string& t) { p.FlowControl().SetOutDSRFlow(TextToBool(t)); }, nullptr,
     nullptr},
    {"FlowControl.TxContinueOnXoff", sgFlowControl,
     [](C& p) { return BoolToText(p.FlowControl().TxContinueOnXoff()); },
     [](P& p, const std::string& t) { p.FlowControl().SetTxContinueOnXoff(TextToBool(t)); },
     nullptr, nullptr},
    {"FlowControl.XonXoffIn", sgFlowControl,
     [](C& p) { return BoolToText(p.FlowControl().XonXoffIn()); },
     [](P& p, const std::string& t) { p.FlowControl().SetXonXoffIn(TextToBool(t)); }, nullptr,
     nullptr},
    {"FlowControl.XonXoffOut", sgFlowControl,
     [](C& p) { return BoolToText(p.FlowControl().XonXoffOut()); },
     [](P& p, const std::string& t) { p.FlowControl().SetXonXoffOut(TextToBool(t)); }, nullptr,
     nullptr},
    {"FlowControl.XoffChar", sgFlowControl,
     [](C& p) { return CharToText(p.FlowControl().XoffChar()); },
     [](P& p, const std::string& t) { p.FlowControl().SetXoffChar(TextToChar(t)); }, nullptr,
     nullptr},
    {"FlowControl.XonChar", sgFlowControl,
     [](C& p) { return CharToText(p.FlowControl().XonChar()); },
     [](P& p, const std::string& t) { p.FlowControl().SetXonChar(TextToChar(t)); }, nullptr,
     nullptr},
};

// CustomBaudRate only counts while the baud rate is the custom one: it is written only
// then, and read only when the baud rate just read is.
bool Skipped(const StoredSetting& setting, const TCustomComPort& port) {
    return setting.setInteger != nullptr && std::string(setting.key) == "CustomBaudRate" &&
           port.BaudRate() != brCustom;
}

template <class Each> void ForEachStored(const TCustomComPort& port, Each each) {
    for (const StoredSetting& setting : Settings)
        if (port.StoredGroups().Contains(setting.group) && !Skipped(setting, port))
            each(setting);
}

} // namespace

bool OpenSettingsKey(TRegistry& registry, const std::string& path, const std::string& name) {
    const std::size_t slash = path.find('\\');
    if (slash == std::string::npos)
        return false;
    const std::string root = path.substr(0, slash);
    if (CompareText(root, "HKEY_LOCAL_MACHINE") == 0)
        registry.SetRootKey(win::HKEY_LOCAL_MACHINE);
    else if (CompareText(root, "HKEY_CURRENT_USER") == 0)
        registry.SetRootKey(win::HKEY_CURRENT_USER);
    // A root alone ("HKEY_CURRENT_USER\") puts the key right below the root.
    std::string key = path.substr(slash + 1);
    if (!key.empty() && key.back() != '\\')
        key += '\\';
    return registry.OpenKey(key + name, true);
}

void TCustomComPort::SaveSettings(TSettingsStorage storage, const std::string& location) {
    try {
        if (storage == ssIniFile) {
            TIniFile iniFile(location);
            SaveToIniFile(iniFile);
        } else {
            TRegistry registry;
            OpenSettingsKey(registry, location, Name());
            SaveToRegistry(registry);
        }
    } catch (...) {
        // The caller learns only that storing failed, whatever the reason.
        throw EComPort(CError_StoreFailed);
    }
}

void TCustomComPort::RestoreSettings(TSettingsStorage storage, const std::string& location) {
    bool failed = false;
    BeginConfigUpdate();
    try {
        if (storage == ssIniFile) {
            TIniFile iniFile(location);
            RestoreFromIniFile(iniFile);
        } else {
            TRegistry registry;
            // A key that was asked for and could not be opened (a broken or locked store)
            // is a failure: reading on would blank every setting.
            if (!OpenSettingsKey(registry, location, Name()) &&
                location.find('\\') != std::string::npos)
                failed = true;
            else
                RestoreFromRegistry(registry);
        }
    } catch (...) {
        failed = true;
    }
    // The bracket is closed in any case; what was applied before a failure stays.
    try {
        EndConfigUpdate();
    } catch (...) {
        failed = true;
    }
    if (failed)
        throw EComPort(CError_LoadFailed);
}

void TCustomComPort::SaveToRegistry(TRegistry& registry) {
    ForEachStored(*this, [&](const StoredSetting& s) {
        if (s.text != nullptr)
            registry.WriteString(s.key, s.text(*this));
        else
            registry.WriteInteger(s.key, s.integer(*this));
    });
}

void TCustomComPort::SaveToIniFile(TIniFile& iniFile) {
    ForEachStored(*this, [&](const StoredSetting& s) {
        if (s.text != nullptr)
            iniFile.WriteString(Name(), s.key, s.text(*this));
        else
            iniFile.WriteInteger(Name(), s.key, s.integer(*this));
    });
}

void TCustomComPort::RestoreFromRegistry(TRegistry& registry) {
    ForEachStored(*this, [&](const StoredSetting& s) {
        if (s.setText != nullptr)
            s.setText(*this, registry.ReadString(s.key));
        else
            s.setInteger(*this, registry.ReadInteger(s.key));
    });
}

void TCustomComPort::RestoreFromIniFile(TIniFile& iniFile) {
    ForEachStored(*this, [&](const StoredSetting& s) {
        if (s.setText != nullptr) {
            s.setText(*this, iniFile.ReadString(Name(), s.key, s.text(*this)));
            return;
        }
        // A missing key or one that is not an integer keeps the setting; CustomBaudRate
        // falls back to 9600 instead.
        const bool custom = std::string(s.key) == "CustomBaudRate";
        const std::int32_t fallback = custom ? 9600 : s.integer(*this);
        std::int32_t value = fallback;
        if (!TryTextToInt(iniFile.ReadString(Name(), s.key, std::to_string(fallback)), value))
            value = fallback;
        s.setInteger(*this, value);
    });
}

} // namespace tavrin
