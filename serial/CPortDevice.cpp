// The device side of the port: opening and closing the device, handing it the settings,
// and the queries for waiting input, modem lines and line errors. Every failing system
// call becomes the port error of its step, with the thread's last error read right after
// the call.

#include "serial/CPort.h"

#include "platform/winapi/Comm.h"

#include <array>
#include <utility>

namespace tavrin {

namespace {

int LastError() {
    return static_cast<int>(win::GetLastError());
}

constexpr win::DWORD dtrDeviceValues[] = {win::DTR_CONTROL_DISABLE, win::DTR_CONTROL_ENABLE,
                                          win::DTR_CONTROL_HANDSHAKE};
constexpr win::DWORD rtsDeviceValues[] = {win::RTS_CONTROL_DISABLE, win::RTS_CONTROL_ENABLE,
                                          win::RTS_CONTROL_HANDSHAKE, win::RTS_CONTROL_TOGGLE};
constexpr win::BYTE byteSizes[] = {5, 6, 7, 8};
constexpr win::BYTE parityValues[] = {win::NOPARITY, win::ODDPARITY, win::EVENPARITY,
                                      win::MARKPARITY, win::SPACEPARITY};
constexpr win::BYTE stopBitValues[] = {win::ONESTOPBIT, win::ONE5STOPBITS, win::TWOSTOPBITS};

// Values outside an enumeration (a byte cast into it) are refused before a control block
// is built (see ApplyDeviceControl); this only keeps the build from reading past a table.
template <class T, std::size_t N> T DeviceValue(const T (&table)[N], std::size_t index) {
    return index < N ? table[index] : table[0];
}

template <class T, std::size_t N> bool Within(const T (&)[N], std::size_t index) {
    return index < N;
}

constexpr std::array<std::pair<win::DWORD, TComErrorKind>, 7> lineErrorBits = {{
    {win::CE_FRAME, errFrame},
    {win::CE_OVERRUN, errOverrun},
    {win::CE_RXOVER, errRxOverflow},
    {win::CE_TXFULL, errTxFull},
    {win::CE_BREAK, errBreak},
    {win::CE_IOE, errIO},
    {win::CE_MODE, errMode},
}};

} // namespace

bool TCustomComPort::CanApply() const {
    return connected_ && updateCount_ == 0 && !ComponentState().Contains(csLoading);
}

void TCustomComPort::OpenDevice() {
    const std::string path = "\\\\.\\" + port_;
    handle_ = win::CreateFileA(path.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                               win::OPEN_EXISTING, win::FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == win::INVALID_HANDLE_VALUE)
        throw EComPort(CError_OpenFailed, LastError());
}

void TCustomComPort::CloseDevice() {
    if (handle_ == win::INVALID_HANDLE_VALUE)
        return;
    win::CloseHandle(handle_);
    handle_ = win::INVALID_HANDLE_VALUE;
}

void TCustomComPort::ConfigureDevice() {
    ApplyBufferSizes();
    ApplyDeviceControl();
    ApplyTimeoutSettings();
}

void TCustomComPort::ApplyBufferSizes() {
    if (!CanApply())
        return;
    // A negative size would reach the driver as a request for about 4 GB. It is refused the
    // way the driver refuses a size it cannot take.
    if (buffer_->InputSize() < 0 || buffer_->OutputSize() < 0)
        throw EComPort(CError_SetupComFailed, static_cast<int>(win::ERROR_INVALID_PARAMETER));
    if (!win::SetupComm(handle_, static_cast<win::DWORD>(buffer_->InputSize()),
                        static_cast<win::DWORD>(buffer_->OutputSize())))
        throw EComPort(CError_SetupComFailed, LastError());
}

void TCustomComPort::ApplyTimeoutSettings() {
    if (!CanApply())
        return;
    // -1 is passed as its bit pattern, MAXDWORD.
    win::COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = static_cast<win::DWORD>(timeouts_->ReadInterval());
    timeouts.ReadTotalTimeoutMultiplier = static_cast<win::DWORD>(timeouts_->ReadTotalMultiplier());
    timeouts.ReadTotalTimeoutConstant = static_cast<win::DWORD>(timeouts_->ReadTotalConstant());
    timeouts.WriteTotalTimeoutMultiplier =
        static_cast<win::DWORD>(timeouts_->WriteTotalMultiplier());
    timeouts.WriteTotalTimeoutConstant = static_cast<win::DWORD>(timeouts_->WriteTotalConstant());
    if (!win::SetCommTimeouts(handle_, &timeouts))
        throw EComPort(CError_TimeoutsFailed, LastError());
}

void TCustomComPort::ApplyDeviceControl() {
    if (!CanApply())
        return;
    // A value outside its enumeration has no device value: it is refused as the driver
    // refuses an unknown baud rate, instead of reaching the line as some other setting.
    const TComFlowControl& flow = *flowControl_;
    if (static_cast<std::size_t>(baudRate_) > br256000 || !Within(byteSizes, dataBits_) ||
        !Within(stopBitValues, stopBits_) || !Within(parityValues, parity_->Bits()) ||
        !Within(dtrDeviceValues, flow.ControlDTR()) || !Within(rtsDeviceValues, flow.ControlRTS()))
        throw EComPort(CError_SetStateFailed, static_cast<int>(win::ERROR_INVALID_PARAMETER));
    win::DCB dcb = BuildDeviceControlBlock();
    if (!win::SetCommState(handle_, &dcb))
        throw EComPort(CError_SetStateFailed, LastError());
}

win::DCB TCustomComPort::BuildDeviceControlBlock() const {
    const TComFlowControl& flow = *flowControl_;
    const TComParity& parity = *parity_;
    const bool replaceErrors = parity.Check() && parity.Replace();

    win::DCB dcb{};
    dcb.DCBlength = sizeof(win::DCB);
    // The custom rate goes to the driver as it is; the driver is the judge of it.
    dcb.BaudRate =
        baudRate_ == brCustom ? static_cast<win::DWORD>(customBaudRate_) : BaudRateValue(baudRate_);
    dcb.fBinary = 1;
    dcb.fParity = parity.Check();
    dcb.fOutxCtsFlow = flow.OutCTSFlow();
    dcb.fOutxDsrFlow = flow.OutDSRFlow();
    dcb.fDtrControl = DeviceValue(dtrDeviceValues, flow.ControlDTR());
    dcb.fDsrSensitivity = flow.DSRSensitivity();
    dcb.fTXContinueOnXoff = flow.TxContinueOnXoff();
    dcb.fOutX = flow.XonXoffOut();
    dcb.fInX = flow.XonXoffIn();
    dcb.fErrorChar = replaceErrors;
    dcb.fNull = discardNull_;
    dcb.fRtsControl = DeviceValue(rtsDeviceValues, flow.ControlRTS());
    // The limits follow the size held in the settings, whatever size the driver accepted.
    const auto limit = static_cast<win::WORD>(buffer_->InputSize() / 4);
    dcb.XonLim = limit;
    dcb.XoffLim = limit;
    dcb.ByteSize = DeviceValue(byteSizes, dataBits_);
    dcb.Parity = DeviceValue(parityValues, parity.Bits());
    dcb.StopBits = DeviceValue(stopBitValues, stopBits_);
    dcb.XonChar = flow.XonChar();
    dcb.XoffChar = flow.XoffChar();
    dcb.ErrorChar = replaceErrors ? parity.ReplaceChar() : 0;
    dcb.EofChar = 0;
    dcb.EvtChar = eventChar_;
    return dcb;
}

// The queries do not look at Connected: on a closed port the system call fails on the
// invalid handle and that failure is what the caller sees.

std::int32_t TCustomComPort::InputQueueCount() {
    win::DWORD errors = 0;
    win::COMSTAT status{};
    if (!win::ClearCommError(handle_, &errors, &status))
        throw EComPort(CError_ClearComFailed, LastError());
    if (errors != 0)
        countedLineErrors_.fetch_or(errors);
    return static_cast<std::int32_t>(status.cbInQue);
}

TModemSignals TCustomComPort::ReadSignals() {
    win::DWORD status = 0;
    if (!win::GetCommModemStatus(handle_, &status))
        throw EComPort(CError_ModemStatFailed, LastError());
    TModemSignals signals;
    if (status & win::MS_CTS_ON)
        signals.Include(msCTS);
    if (status & win::MS_DSR_ON)
        signals.Include(msDSR);
    if (status & win::MS_RING_ON)
        signals.Include(msRing);
    if (status & win::MS_RLSD_ON)
        signals.Include(msRLSD);
    return signals;
}

TComErrors TCustomComPort::ReadLineErrors() {
    win::DWORD mask = 0;
    win::COMSTAT status{};
    if (!win::ClearCommError(handle_, &mask, &status))
        throw EComPort(CError_ClearComFailed, LastError());
    mask |= countedLineErrors_.exchange(0);
    TComErrors errors;
    for (const auto& [bit, kind] : lineErrorBits) {
        if (mask & bit)
            errors.Include(kind);
    }
    // Without parity checking a parity flag from the driver means nothing to the caller.
    if ((mask & win::CE_RXPARITY) && parity_->Check())
        errors.Include(errParity);
    return errors;
}

} // namespace tavrin
