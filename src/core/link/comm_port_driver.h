// TCommPortDriver: owns one serial port, writes its line settings and polls it for received bytes.
#pragma once

#include "platform/serial_device.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

namespace ronvalo {

enum TPortNumber : quint8 {
    pnCustom,
    pnCOM1,
    pnCOM2,
    pnCOM3,
    pnCOM4,
    pnCOM5,
    pnCOM6,
    pnCOM7,
    pnCOM8,
    pnCOM9,
    pnCOM10,
    pnCOM11,
    pnCOM12,
    pnCOM13,
    pnCOM14,
    pnCOM15,
    pnCOM16
};
enum TBaudRate : quint8 {
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
enum TDataBits : quint8 { db5BITS, db6BITS, db7BITS, db8BITS };
enum TStopBits : quint8 { sb1BITS, sb1HALFBITS, sb2BITS };
enum TParity : quint8 { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum THwFlowControl : quint8 { hfNONE, hfNONERTSON, hfRTSCTS };
enum TSwFlowControl : quint8 { sfNONE, sfXONXOFF };
enum TPacketMode : quint8 { pmDiscard, pmPass };

class TCommPortDriver;

// Called with each batch of received bytes; the bytes are valid only during the call.
using TReceiveDataEvent =
    std::function<void(TCommPortDriver* Sender, const char* DataPtr, quint32 DataSize)>;
using TReceivePacketEvent =
    std::function<void(TCommPortDriver* Sender, const char* Packet, quint32 DataSize)>;

// Bits per second of a named speed; 0 for brCustom.
quint32 BaudRateValueOf(TBaudRate rate);

// The line settings of a driver, as the values the device control block is built from.
struct PortSettings {
    quint32 BaudRateValue = 9600;
    TDataBits DataBits = db8BITS;
    TStopBits StopBits = sb1BITS;
    TParity Parity = ptNONE;
    THwFlowControl HwFlow = hfNONERTSON;
    TSwFlowControl SwFlow = sfNONE;
    quint32 InBufSize = 2048;
    bool EnableDTROnOpen = true;
};

// The device control block written to the port for these settings.
platform::DeviceControlBlock buildDeviceControlBlock(const PortSettings& settings);

class TCommPortDriver : public QObject {
    Q_OBJECT

public:
    explicit TCommPortDriver(QObject* owner = nullptr);
    ~TCommPortDriver() override;

    TPortNumber Port() const { return port_; }
    void setPort(TPortNumber value);
    const QString& PortName() const { return portName_; }
    void setPortName(const QString& value);
    TBaudRate BaudRate() const { return baudRate_; }
    void setBaudRate(TBaudRate value);
    quint32 BaudRateValue() const { return settings_.BaudRateValue; }
    void setBaudRateValue(quint32 value);
    TDataBits DataBits() const { return settings_.DataBits; }
    void setDataBits(TDataBits value);
    TStopBits StopBits() const { return settings_.StopBits; }
    void setStopBits(TStopBits value);
    TParity Parity() const { return settings_.Parity; }
    void setParity(TParity value);
    THwFlowControl HwFlow() const { return settings_.HwFlow; }
    void setHwFlow(THwFlowControl value);
    TSwFlowControl SwFlow() const { return settings_.SwFlow; }
    void setSwFlow(TSwFlowControl value);
    quint32 InBufSize() const { return settings_.InBufSize; }
    void setInBufSize(quint32 value);
    quint32 OutBufSize() const { return outBufSize_; }
    void setOutBufSize(quint32 value);
    qint16 PacketSize() const { return packetSize_; }
    void setPacketSize(qint16 value) { packetSize_ = value; }
    qint32 PacketTimeout() const { return packetTimeout_; }
    void setPacketTimeout(qint32 value) { packetTimeout_ = value; }
    TPacketMode PacketMode() const { return packetMode_; }
    void setPacketMode(TPacketMode value) { packetMode_ = value; }
    quint16 PollingDelay() const { return pollingDelay_; }
    void setPollingDelay(quint16 value);
    bool EnableDTROnOpen() const { return settings_.EnableDTROnOpen; }
    void setEnableDTROnOpen(bool value) { settings_.EnableDTROnOpen = value; }
    quint16 OutputTimeout() const { return outputTimeout_; }
    void setOutputTimeout(quint16 value) { outputTimeout_ = value; }
    quint32 InputTimeout() const { return inputTimeout_; }
    void setInputTimeout(quint32 value) { inputTimeout_ = value; }
    bool CheckLineStatus() const { return checkLineStatus_; }
    void setCheckLineStatus(bool value) { checkLineStatus_ = value; }

    TReceiveDataEvent OnReceiveData;
    TReceivePacketEvent OnReceivePacket; // never called: packets are not delivered

    // Opens PortName and writes the settings and the read limits; false (and closed) when the
    // port refuses any of them; true when already open.
    bool OpenPort();
    // Stops the poll and releases the port; nothing on a closed port.
    void ClosePort();
    // Writes the settings and discards both queues; false when closed or refused.
    bool ApplyPortSettings();
    // Discards the queued bytes of the chosen directions; false when closed.
    bool PurgeBuffers(bool input, bool output);
    bool IsPortOpen() const { return device_.isOpen(); }
    // True while the poll timer runs, which is exactly while the port is open.
    bool IsPolling() const { return pollTimer_.isActive(); }

    // The block the settings give now, as ApplyPortSettings writes it.
    platform::DeviceControlBlock ControlBlock() const;
    // The device layer under the driver, for tests that look at the open port.
    const platform::SerialDevice& Device() const { return device_; }

    // One poll: reads what is queued, at most InBufSize bytes a piece, and hands each piece on.
    void PollInput();

private:
    void applyIfOpen();

    TPortNumber port_ = pnCOM2;
    QString portName_ = QStringLiteral("\\\\.\\COM2");
    TBaudRate baudRate_ = br9600;
    PortSettings settings_;
    quint32 outBufSize_ = 2048;
    qint16 packetSize_ = -1;
    qint32 packetTimeout_ = -1;
    TPacketMode packetMode_ = pmDiscard;
    quint16 pollingDelay_ = 50;
    quint16 outputTimeout_ = 500;
    quint32 inputTimeout_ = 200;
    bool checkLineStatus_ = false;

    platform::SerialDevice device_;
    quint64 openCount_ = 0;         // tells a poll that its handler reopened the port
    QTimer pollTimer_{this};        // a child, so that tests find it by its objectName
    std::vector<char> inputBuffer_; // the scratch buffer every read of the poll goes into
};

} // namespace ronvalo
