// TCommPortDriver: settings with their clamps, opening and closing, and the poll of the input
// queue.
#include "core/link/comm_port_driver.h"

#include "core/common/error_handler.h"

#include <QFile>
#include <QPointer>
#include <algorithm>

namespace ronvalo {

namespace {

constexpr quint32 MinBufSize = 128;
constexpr quint32 MaxBufSize = 8192;
constexpr quint16 MinPollingDelay = 5;

quint32 clampBufSize(quint32 value) {
    return std::clamp(value, MinBufSize, MaxBufSize);
}

} // namespace

quint32 BaudRateValueOf(TBaudRate rate) {
    static const quint32 values[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                     14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return rate < std::size(values) ? values[rate] : 0;
}

platform::DeviceControlBlock buildDeviceControlBlock(const PortSettings& settings) {
    platform::DeviceControlBlock dcb;
    dcb.DCBlength = 28;
    dcb.BaudRate = settings.BaudRateValue;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = settings.HwFlow == hfRTSCTS;
    dcb.fDtrControl =
        settings.EnableDTROnOpen ? platform::DTR_CONTROL_ENABLE : platform::DTR_CONTROL_DISABLE;
    dcb.fOutX = dcb.fInX = settings.SwFlow == sfXONXOFF;
    switch (settings.HwFlow) {
    case hfNONE:
        dcb.fRtsControl = platform::RTS_CONTROL_DISABLE;
        break;
    case hfNONERTSON:
        dcb.fRtsControl = platform::RTS_CONTROL_ENABLE;
        break;
    case hfRTSCTS:
        dcb.fRtsControl = platform::RTS_CONTROL_HANDSHAKE;
        break;
    }
    dcb.XonLim = dcb.XoffLim = static_cast<quint16>(settings.InBufSize / 4);
    dcb.ByteSize = static_cast<quint8>(5 + settings.DataBits);
    dcb.Parity = settings.Parity;
    dcb.StopBits = settings.StopBits;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

TCommPortDriver::TCommPortDriver(QObject* owner)
    : QObject(owner), inputBuffer_(settings_.InBufSize, 0) {
    pollTimer_.setObjectName(QStringLiteral("pollTimer"));
    // The handler takes and ignores the signal's private argument, which guarded() passes on.
    connect(&pollTimer_, &QTimer::timeout, this, guarded([this](auto&&...) { PollInput(); }));
}

TCommPortDriver::~TCommPortDriver() {
    ClosePort();
}

void TCommPortDriver::setPort(TPortNumber value) {
    if (IsPortOpen())
        return;
    port_ = value;
    if (value != pnCustom)
        portName_ = QString::asprintf("\\\\.\\COM%d", int(value));
}

void TCommPortDriver::setPortName(const QString& value) {
    if (IsPortOpen())
        return;
    portName_ = value;
    port_ = pnCustom;
}

void TCommPortDriver::setBaudRate(TBaudRate value) {
    baudRate_ = value;
    if (value != brCustom)
        settings_.BaudRateValue = BaudRateValueOf(value);
    applyIfOpen();
}

void TCommPortDriver::setBaudRateValue(quint32 value) {
    baudRate_ = brCustom;
    settings_.BaudRateValue = value;
    applyIfOpen();
}

void TCommPortDriver::setDataBits(TDataBits value) {
    settings_.DataBits = value;
    applyIfOpen();
}

void TCommPortDriver::setStopBits(TStopBits value) {
    settings_.StopBits = value;
    applyIfOpen();
}

void TCommPortDriver::setParity(TParity value) {
    settings_.Parity = value;
    applyIfOpen();
}

void TCommPortDriver::setHwFlow(THwFlowControl value) {
    settings_.HwFlow = value;
    applyIfOpen();
}

void TCommPortDriver::setSwFlow(TSwFlowControl value) {
    settings_.SwFlow = value;
    applyIfOpen();
}

void TCommPortDriver::setInBufSize(quint32 value) {
    if (IsPortOpen())
        return;
    settings_.InBufSize = clampBufSize(value);
    inputBuffer_.assign(settings_.InBufSize, 0);
}

void TCommPortDriver::setOutBufSize(quint32 value) {
    if (IsPortOpen())
        return;
    outBufSize_ = clampBufSize(value);
}

void TCommPortDriver::setPollingDelay(quint16 value) {
    value = std::max(value, MinPollingDelay);
    if (value == pollingDelay_)
        return;
    pollingDelay_ = value;
    if (IsPortOpen())
        pollTimer_.start(pollingDelay_);
}

void TCommPortDriver::applyIfOpen() {
    // The setters do not look at the result: a refused setting shows at the next OpenPort.
    if (IsPortOpen())
        ApplyPortSettings();
}

platform::DeviceControlBlock TCommPortDriver::ControlBlock() const {
    return buildDeviceControlBlock(settings_);
}

bool TCommPortDriver::OpenPort() {
    if (IsPortOpen())
        return true;
    if (!device_.open(QFile::encodeName(portName_).toStdString()))
        return false;
    ++openCount_;
    if (!ApplyPortSettings()) {
        ClosePort();
        return false;
    }
    // Reads return as soon as the queued bytes are taken. A port that refuses the limits could
    // block the user interface on its first read: refused like one that refuses its settings.
    if (!device_.setTimeouts({1, 0, 1, 0, 10})) {
        ClosePort();
        return false;
    }
    pollTimer_.start(pollingDelay_);
    return true;
}

void TCommPortDriver::ClosePort() {
    if (!IsPortOpen())
        return;
    pollTimer_.stop();
    device_.close();
}

bool TCommPortDriver::ApplyPortSettings() {
    if (!IsPortOpen())
        return false;
    if (!device_.setState(ControlBlock()))
        return false;
    if (!PurgeBuffers(true, true))
        return false;
    return device_.setupQueues(settings_.InBufSize, outBufSize_);
}

bool TCommPortDriver::PurgeBuffers(bool input, bool output) {
    if (!IsPortOpen())
        return false;
    quint32 flags = 0;
    if (output)
        flags |= platform::PURGE_TXABORT | platform::PURGE_TXCLEAR;
    if (input)
        flags |= platform::PURGE_RXABORT | platform::PURGE_RXCLEAR;
    return device_.purge(flags);
}

void TCommPortDriver::PollInput() {
    if (!IsPortOpen())
        return;
    // A failed query or read delivers nothing and is not reported; the timer goes on, so a
    // device that recovers is read again at the next tick.
    const std::optional<quint32> waiting = device_.bytesWaiting();
    if (!waiting)
        return;
    // Only what was queued at the start of the tick is read, so a stream that never pauses
    // cannot hold the tick forever; each piece fits the scratch buffer.
    const QPointer<TCommPortDriver> alive(this);
    const quint64 openCount = openCount_;
    quint32 left = *waiting;
    while (left > 0) {
        const quint32 piece = std::min<quint32>(left, static_cast<quint32>(inputBuffer_.size()));
        const std::optional<quint32> got = device_.read(inputBuffer_.data(), piece);
        if (!got || *got == 0)
            return;
        left -= std::min(left, *got);
        if (!OnReceiveData)
            continue;
        // A copy, so that a handler that replaces OnReceiveData does not destroy itself.
        const TReceiveDataEvent handler = OnReceiveData;
        handler(this, inputBuffer_.data(), *got);
        // The handler may have closed, reopened or destroyed the driver.
        if (!alive || openCount_ != openCount || !IsPortOpen())
            return;
    }
}

} // namespace ronvalo
