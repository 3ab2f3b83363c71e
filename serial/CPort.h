#pragma once

// The serial port component: its settings, the opening, configuring and closing of the
// device, transfers, the event thread and its notifications, links and stored settings.
// No GUI toolkit is used here.

#include "base/Component.h"
#include "base/Exception.h"
#include "base/Persistent.h"
#include "base/Set.h"
#include "base/ThreadPriority.h"
#include "platform/winapi/Win32.h"
#include "serial/CPortDeliveryGate.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavrin {

class TRegistry;
class TIniFile;
class TStrings;

// ---- Settings values ---------------------------------------------------------------------

enum TBaudRate : std::uint8_t {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };

enum TComEvent : std::uint8_t {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD,
    evRx80Full
};
using TComEvents = Set<TComEvent, std::uint16_t>;
inline constexpr TComEvents AllComEvents = TComEvents::FromBits(0x3FF);

enum TModemSignal : std::uint8_t { msCTS, msDSR, msRing, msRLSD };
using TModemSignals = Set<TModemSignal, std::uint8_t>;

enum TComErrorKind : std::uint8_t {
    errFrame,
    errParity,
    errOverrun,
    errBreak,
    errIO,
    errMode,
    errRxOverflow,
    errTxFull
};
using TComErrors = Set<TComErrorKind, std::uint8_t>;

enum TLinkNotice : std::uint8_t {
    lnConn,
    lnCTS,
    lnDSR,
    lnRLSD,
    lnRing,
    lnRx,
    lnTx,
    lnTxEmpty,
    lnRxFlag
};

enum TSettingsStorage : std::uint8_t { ssRegistry, ssIniFile };
enum TStoredGroup : std::uint8_t {
    sgBasic,
    sgFlowControl,
    sgBuffer,
    sgTimeouts,
    sgParity,
    sgOthers
};
using TStoredGroups = Set<TStoredGroup, std::uint8_t>;

enum TComAsyncDirection : std::uint8_t { adWrite, adRead };

// Device values of the enumerations, as the device control block takes them.
win::DWORD BaudRateValue(TBaudRate rate); // 0 for brCustom: the port's CustomBaudRate applies

// ---- Text forms --------------------------------------------------------------------------
// From-text conversions fold ASCII letters to upper case, compare byte for byte and fall
// back to a fixed value; they never fail.

std::string BaudRateToText(TBaudRate value);
TBaudRate TextToBaudRate(const std::string& text); // fallback br9600
std::string DataBitsToText(TDataBits value);
TDataBits TextToDataBits(const std::string& text); // fallback dbEight
std::string StopBitsToText(TStopBits value);
TStopBits TextToStopBits(const std::string& text); // fallback sbOneStopBit
std::string ParityToText(TParityBits value);
TParityBits TextToParity(const std::string& text); // fallback prNone
std::string FlowControlToText(TFlowControl value);
TFlowControl TextToFlowControl(const std::string& text); // fallback fcCustom
std::string DtrControlToText(TDTRFlowControl value);
TDTRFlowControl TextToDtrControl(const std::string& text); // fallback dtrDisable
std::string RtsControlToText(TRTSFlowControl value);
TRTSFlowControl TextToRtsControl(const std::string& text); // fallback rtsDisable

std::string BoolToText(bool value);       // "Yes" / "No"
bool TextToBool(const std::string& text); // "YES" in any case
std::string CharToText(char value);       // 33..127 as itself, else "#<code>"
char TextToChar(const std::string& text); // "#<integer>" low 8 bits, else first char

// The runtime's integer rule: blanks, sign, decimal or $/x/X/0x/0X hexadecimal, 32 bits.
bool TryTextToInt(const std::string& text, std::int32_t& value);

// Opens (creating it) the key `name` below the registry path `path`, "<root name>\<key>":
// HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER by name, any other root name keeps the registry's
// root. A path without "\" opens nothing. False when no key was opened.
bool OpenSettingsKey(TRegistry& registry, const std::string& path, const std::string& name);

// Replaces the content of `list` with the serial device names of the system, sorted without
// regard to letter case; error 23 with the registry's code when they cannot be read.
void ListComPorts(TStrings& list);

// ---- Errors ------------------------------------------------------------------------------

// Numbers of the port error's message table.
enum : int {
    CError_OpenFailed = 1,
    CError_WriteFailed,
    CError_ReadFailed,
    CError_InvalidAsync,
    CError_PurgeFailed,
    CError_AsyncCheck,
    CError_SetStateFailed,
    CError_TimeoutsFailed,
    CError_SetupComFailed,
    CError_ClearComFailed,
    CError_ModemStatFailed,
    CError_EscapeComFailed,
    CError_TransmitFailed,
    CError_ConnChangeProp,
    CError_EnumPortsFailed,
    CError_StoreFailed,
    CError_LoadFailed,
    CError_RegFailed,
    CError_LedStateFailed,
    CError_ThreadCreated,
    CError_WaitFailed,
    CError_HasLink,
    CError_RegError,
};

// The text of entry `number` (1..23) of the table.
const char* ComErrorText(int number);

class EComPort : public Exception {
public:
    // Without a system code: SystemError is -1 and the message is the table text alone.
    explicit EComPort(int number);
    // With a system code: the table text followed by " (win error code: <code>)".
    EComPort(int number, int systemError);

    int SystemError() const { return systemError_; }
    int ErrorNumber() const { return errorNumber_; }

private:
    int systemError_;
    int errorNumber_;
};

// ---- Notifications -----------------------------------------------------------------------
// Method references that may be unassigned; Sender is always the port.

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TRxCharEvent = std::function<void(TObject* Sender, std::int32_t Count)>;
using TRxBufEvent = std::function<void(TObject* Sender, const void* Buffer, std::int32_t Count)>;
using TComErrorEvent = std::function<void(TObject* Sender, TComErrors Errors)>;
using TComSignalEvent = std::function<void(TObject* Sender, bool OnOff)>;

win::DWORD EventsToMask(TComEvents events);
TComEvents MaskToEvents(win::DWORD mask);

// ---- Settings objects ----------------------------------------------------------------------

class TCustomComPort;

class TComFlowControl : public TPersistent {
public:
    const char* ClassName() const override { return "TComFlowControl"; }
    TCustomComPort* OwnerPort() const { return ownerPort_; }
    void SetOwnerPort(TCustomComPort* port) { ownerPort_ = port; }

    bool OutCTSFlow() const { return outCTSFlow_; }
    void SetOutCTSFlow(bool value);
    bool OutDSRFlow() const { return outDSRFlow_; }
    void SetOutDSRFlow(bool value);
    TDTRFlowControl ControlDTR() const { return controlDTR_; }
    void SetControlDTR(TDTRFlowControl value);
    TRTSFlowControl ControlRTS() const { return controlRTS_; }
    void SetControlRTS(TRTSFlowControl value);
    bool XonXoffOut() const { return xonXoffOut_; }
    void SetXonXoffOut(bool value);
    bool XonXoffIn() const { return xonXoffIn_; }
    void SetXonXoffIn(bool value);
    bool DSRSensitivity() const { return dsrSensitivity_; }
    void SetDSRSensitivity(bool value);
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    void SetTxContinueOnXoff(bool value);
    char XonChar() const { return xonChar_; }
    void SetXonChar(char value);
    char XoffChar() const { return xoffChar_; }
    void SetXoffChar(char value);
    // The preset, derived from and written into the fields above.
    TFlowControl FlowControl() const;
    void SetFlowControl(TFlowControl value);

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void Apply();
    TCustomComPort* ownerPort_ = nullptr;
    bool outCTSFlow_ = false;
    bool outDSRFlow_ = false;
    TDTRFlowControl controlDTR_ = dtrDisable;
    TRTSFlowControl controlRTS_ = rtsDisable;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
    char xonChar_ = 17;
    char xoffChar_ = 19;
};

class TComParity : public TPersistent {
public:
    const char* ClassName() const override { return "TComParity"; }
    TCustomComPort* OwnerPort() const { return ownerPort_; }
    void SetOwnerPort(TCustomComPort* port) { ownerPort_ = port; }

    TParityBits Bits() const { return bits_; }
    void SetBits(TParityBits value);
    bool Check() const { return check_; }
    void SetCheck(bool value);
    bool Replace() const { return replace_; }
    void SetReplace(bool value);
    char ReplaceChar() const { return replaceChar_; }
    void SetReplaceChar(char value);

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void Apply();
    TCustomComPort* ownerPort_ = nullptr;
    TParityBits bits_ = prNone;
    bool check_ = false;
    bool replace_ = false;
    char replaceChar_ = 0;
};

class TComTimeouts : public TPersistent {
public:
    const char* ClassName() const override { return "TComTimeouts"; }
    TCustomComPort* OwnerPort() const { return ownerPort_; }
    void SetOwnerPort(TCustomComPort* port) { ownerPort_ = port; }

    std::int32_t ReadInterval() const { return readInterval_; }
    void SetReadInterval(std::int32_t value);
    std::int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
    void SetReadTotalMultiplier(std::int32_t value);
    std::int32_t ReadTotalConstant() const { return readTotalConstant_; }
    void SetReadTotalConstant(std::int32_t value);
    std::int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
    void SetWriteTotalMultiplier(std::int32_t value);
    std::int32_t WriteTotalConstant() const { return writeTotalConstant_; }
    void SetWriteTotalConstant(std::int32_t value);

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void Apply();
    TCustomComPort* ownerPort_ = nullptr;
    std::int32_t readInterval_ = -1;
    std::int32_t readTotalMultiplier_ = 0;
    std::int32_t readTotalConstant_ = 0;
    std::int32_t writeTotalMultiplier_ = 100;
    std::int32_t writeTotalConstant_ = 1000;
};

class TComBuffer : public TPersistent {
public:
    const char* ClassName() const override { return "TComBuffer"; }
    TCustomComPort* OwnerPort() const { return ownerPort_; }
    void SetOwnerPort(TCustomComPort* port) { ownerPort_ = port; }

    std::int32_t InputSize() const { return inputSize_; }
    void SetInputSize(std::int32_t value);
    std::int32_t OutputSize() const { return outputSize_; }
    void SetOutputSize(std::int32_t value);

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void Apply();
    TCustomComPort* ownerPort_ = nullptr;
    std::int32_t inputSize_ = 1024;
    std::int32_t outputSize_ = 1024;
};

// ---- Links -------------------------------------------------------------------------------

// Lets a component follow a port without taking the port's own notifications.
class TComLink : public TObject {
public:
    const char* ClassName() const override { return "TComLink"; }
    TComSignalEvent OnConn;
    TRxBufEvent OnRxBuf;
    TRxBufEvent OnTxBuf;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnRxFlag;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TNotifyEvent OnRing;
    TComSignalEvent OnTx;
    TComSignalEvent OnRx;
};

// ---- Transfers ---------------------------------------------------------------------------

struct TComAsync {
    win::OVERLAPPED Overlapped;
    TComAsyncDirection Direction;
    void* Data;
    std::int32_t DataSize;
};
using PComAsync = TComAsync*;

void PrepareAsync(PComAsync& AsyncPtr);
void ReleaseAsync(PComAsync& AsyncPtr);

// ---- The port ----------------------------------------------------------------------------

class TComThread;
class NotificationWindow;

class TCustomComPort : public TComponent {
public:
    explicit TCustomComPort(TComponent* owner = nullptr);
    ~TCustomComPort() override;
    const char* ClassName() const override { return "TCustomComPort"; }

    // Settings
    bool Connected() const { return connected_; }
    void SetConnected(bool value);
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate value);
    std::int32_t CustomBaudRate() const { return customBaudRate_; }
    void SetCustomBaudRate(std::int32_t value);
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& value);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const { return discardNull_; }
    void SetDiscardNull(bool value);
    char EventChar() const { return eventChar_; }
    void SetEventChar(char value);
    TComEvents Events() const { return events_; }
    void SetEvents(TComEvents value);
    TComBuffer& Buffer() { return *buffer_; }
    const TComBuffer& Buffer() const { return *buffer_; }
    void SetBuffer(const TComBuffer& value);
    TComParity& Parity() { return *parity_; }
    const TComParity& Parity() const { return *parity_; }
    void SetParity(const TComParity& value);
    TComTimeouts& Timeouts() { return *timeouts_; }
    const TComTimeouts& Timeouts() const { return *timeouts_; }
    void SetTimeouts(const TComTimeouts& value);
    TComFlowControl& FlowControl() { return *flowControl_; }
    const TComFlowControl& FlowControl() const { return *flowControl_; }
    void SetFlowControl(const TComFlowControl& value);
    TSyncMethod SyncMethod() const { return syncMethod_; }
    void SetSyncMethod(TSyncMethod value);

    bool ReportRxCount() const { return reportRxCount_; }
    void SetReportRxCount(bool value) { reportRxCount_ = value; }
    TThreadPriority EventPriority() const { return eventPriority_; }
    void SetEventPriority(TThreadPriority value) { eventPriority_ = value; }
    TStoredGroups StoredGroups() const { return storedGroups_; }
    void SetStoredGroups(TStoredGroups value) { storedGroups_ = value; }
    bool HasRxBufLink() const { return hasRxBufLink_; }
    std::int32_t UpdateCount() const { return updateCount_; }
    win::HANDLE Handle() const { return handle_; }
    bool ThreadCreated() const { return threadCreated_; }

    // Notifications
    TNotifyEvent OnAfterOpen;
    TNotifyEvent OnAfterClose;
    TNotifyEvent OnBeforeOpen;
    TNotifyEvent OnBeforeClose;
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TNotifyEvent OnRxFlag;
    TComErrorEvent OnError;
    TNotifyEvent OnRx80Full;

    // Lifecycle
    void OpenPort();
    void ClosePort();
    void BeginConfigUpdate();
    void EndConfigUpdate();

    // Queries
    std::int32_t InputQueueCount();
    TModemSignals ReadSignals();
    TComErrors ReadLineErrors();

    // Transfers
    std::int32_t StartRead(void* Buffer, std::int32_t Count, PComAsync AsyncPtr);
    std::int32_t StartReadText(std::string& Str, std::int32_t Count, PComAsync AsyncPtr);
    std::int32_t CompleteAsync(PComAsync AsyncPtr);
    std::int32_t ReadBytes(void* Buffer, std::int32_t Count);
    std::int32_t ReadText(std::string& Str, std::int32_t Count);
    void AbortTransfers();
    void SendChar(char Ch);

    // Links
    void AttachLink(TComLink* link);
    void DetachLink(TComLink* link);
    bool AnyRxBufLink() const;
    void BroadcastSignal(TLinkNotice notice, bool OnOff);
    void BroadcastNotice(TLinkNotice notice);
    void BroadcastTxBuf(const void* Buffer, std::int32_t Count);

    // Stored settings
    void SaveSettings(TSettingsStorage storage, const std::string& location);
    void RestoreSettings(TSettingsStorage storage, const std::string& location);

    // Lets the user pick device, baud rate, data bits, stop bits, parity and flow control in
    // a modal dialog. Defined with the dialog (CPortSetup.cpp), in the controls library: a
    // program built without the GUI toolkit has no dialog to show.
    void ShowSetup();

    // Event handling (run by the event thread's delivery and by the open/close sequences)
    void HandleRxChar();
    void HandleRxFlag();
    void HandleTxEmpty();
    void HandleCTSChange();
    void HandleDSRChange();
    void HandleRLSDChange();
    void HandleBreak();
    void HandleError();
    void HandleRing();
    void HandleRx80Full();
    void HandleBeforeOpen();
    void HandleAfterOpen();
    void HandleBeforeClose();
    void HandleAfterClose();
    void ReportModemLines(bool Open);

protected:
    void Loaded() override;

    virtual void SaveToRegistry(TRegistry& registry);
    virtual void SaveToIniFile(TIniFile& iniFile);
    virtual void RestoreFromRegistry(TRegistry& registry);
    virtual void RestoreFromIniFile(TIniFile& iniFile);
    virtual void OpenDevice();
    virtual void CloseDevice();
    virtual void ConfigureDevice();

    virtual void FireAfterClose();
    virtual void FireAfterOpen();
    virtual void FireBeforeClose();
    virtual void FireBeforeOpen();
    virtual void FireRxChar(std::int32_t Count);
    virtual void FireRxBuf(const void* Buffer, std::int32_t Count);
    virtual void FireTxEmpty();
    virtual void FireBreak();
    virtual void FireRing();
    virtual void FireRxFlag();
    virtual void FireCTSChange(bool OnOff);
    virtual void FireDSRChange(bool OnOff);
    virtual void FireError(TComErrors Errors);
    virtual void FireRLSDChange(bool OnOff);
    virtual void FireRx80Full();

    virtual void ApplyDeviceControl();
    virtual void ApplyTimeoutSettings();
    virtual void ApplyBufferSizes();

    // The control block ApplyDeviceControl hands to the device.
    win::DCB BuildDeviceControlBlock() const;

private:
    friend class TComFlowControl;
    friend class TComParity;
    friend class TComTimeouts;
    friend class TComBuffer;
    friend class TComThread;
    friend class NotificationWindow;

    bool CanApply() const;
    void StartEventThread();
    void StopEventThread();

    TComThread* eventThread_ = nullptr;
    // Lets one event thread at a time run the handlers (smNone); shared with the threads.
    std::shared_ptr<DeliveryGate> deliveryGate_ = std::make_shared<DeliveryGate>();
    bool threadCreated_ = false;
    win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
    // Line errors (CE_* bits) that a count of the queues took from the driver, which clears
    // them as it counts: kept for the next ReadLineErrors, so that OnError still hears of them.
    std::atomic<win::DWORD> countedLineErrors_{0};
    NotificationWindow* window_ = nullptr;
    std::int32_t updateCount_ = 0;
    std::vector<TComLink*> links_;
    bool reportRxCount_ = true;
    TThreadPriority eventPriority_ = tpNormal;
    bool hasRxBufLink_ = false;
    bool connected_ = false;
    bool closing_ = false; // ClosePort is under way
    TBaudRate baudRate_ = br9600;
    std::int32_t customBaudRate_ = 9600;
    std::string port_ = "COM1";
    TStopBits stopBits_ = sbOneStopBit;
    TDataBits dataBits_ = dbEight;
    bool discardNull_ = false;
    char eventChar_ = 0;
    TComEvents events_ = AllComEvents;
    TComBuffer* buffer_ = nullptr;
    TComParity* parity_ = nullptr;
    TComTimeouts* timeouts_ = nullptr;
    TComFlowControl* flowControl_ = nullptr;
    TSyncMethod syncMethod_ = smThreadSync;
    TStoredGroups storedGroups_ = {sgBasic};
};

class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
    const char* ClassName() const override { return "TComPort"; }
};

} // namespace tavrin
