// SPDX-License-Identifier: GPL-3.0-or-later
#include "SerialPortLine.h"

#include "LineSettings.h"
#include "PortNames.h"
#include "TerminalCalls.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <limits>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <termios.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace kordavel {

namespace {

#ifdef Q_OS_UNIX
// Errors that mean the device itself is gone.
bool deviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

// The error number of a write that failed with the system's error.
int writeFailure(int error)
{
    return deviceGone(error) ? comDeviceLost : comWriteError;
}
#endif

// Whether another program holds the lock file of a device (the UUCP-style locks that
// serial programs, QSerialPort included, take).
bool lockHeld(const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    static const char *const kLockFolders[] = {
        "/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
        "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
    for (const char *folder : kLockFolders)
        if (QFile::exists(QLatin1String(folder) + QLatin1String("/LCK..") + name))
            return true;
    return QFile::exists(QDir::tempPath() + QLatin1String("/LCK..") + name);
}

// Marks a callback of the device while it runs. A handler may destroy the line meanwhile;
// the mark is then left alone.
class CallbackScope {
public:
    CallbackScope(QObject *owner, int &depth) : m_owner(owner), m_depth(&depth) { ++depth; }
    ~CallbackScope()
    {
        if (m_owner)
            --*m_depth;
    }
    CallbackScope(const CallbackScope &) = delete;
    CallbackScope &operator=(const CallbackScope &) = delete;
    bool alive() const { return !m_owner.isNull(); }

private:
    QPointer<QObject> m_owner;
    int *m_depth;
};

} // namespace

SerialPortLine::SerialPortLine(QObject *parent) : SerialLine(parent)
{
    m_poll.setInterval(kPollInterval);
    connect(&m_poll, &QTimer::timeout, this, &SerialPortLine::poll);
}

SerialPortLine::~SerialPortLine()
{
    if (m_port)
        closeDevice();
    endDrain();
}

int SerialPortLine::openDevice()
{
    m_device = portDevice(CommPort());
    if (m_device.isEmpty())
        return comPortInvalid;
    m_pty = isPseudoTerminal(m_device);
    m_rtsHeld = false;
    m_port = new QSerialPort;
    m_port->setPortName(m_device);
    m_port->setReadBufferSize(kReadBuffer);
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        delete m_port;
        m_port = nullptr;
        if (error == QSerialPort::PermissionError)
            return lockHeld(m_device) ? comPortAlreadyOpen : comHardwareNotAvailable;
        return comPortInvalid;
    }
    if (const int error = configure()) {
        closeDevice();
        return error;
    }
    connect(m_port, &QSerialPort::readyRead, this, &SerialPortLine::readArrived);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialPortLine::portError);
    m_marked.clear();
    m_parityMarked = 0;
    m_sentAll = false;
    m_out.clear();
    m_outDone = 0;
#ifdef Q_OS_UNIX
    m_writable = new QSocketNotifier(m_port->handle(), QSocketNotifier::Write);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &SerialPortLine::outputWritable);
#endif
    m_pollLines = !m_pty;
    m_pollCounters = !m_pty;
    m_lines = 0;
#ifdef Q_OS_LINUX
    if (m_pollLines && ::ioctl(m_port->handle(), TIOCMGET, &m_lines) != 0)
        m_pollLines = false;
    serial_icounter_struct counters{};
    if (m_pollCounters && ::ioctl(m_port->handle(), TIOCGICOUNT, &counters) == 0) {
        m_counters[0] = counters.brk;
        m_counters[1] = counters.frame;
        m_counters[2] = counters.overrun;
        m_counters[3] = counters.buf_overrun;
        m_counters[4] = counters.parity;
        m_parityAtOpen = counters.parity;
    } else {
        m_pollCounters = false;
    }
#else
    m_pollLines = false;
    m_pollCounters = false;
#endif
    if (m_pollLines || m_pollCounters)
        m_poll.start();
    return comNoError;
}

// Framing, flow control and the control lines. A pseudo-terminal has no framing and no
// modem lines: it is used byte-transparent whatever the settings say.
int SerialPortLine::configure()
{
    if (m_pty)
        return comNoError;
    const LineSettings settings = parseLineSettings(Settings()).value_or(LineSettings{});
    m_port->clearError();
    if (!m_port->setBaudRate(settings.baudRate))
        return comBadBaudRate;
    if (settings.dataBits < 5 || !m_port->setDataBits(QSerialPort::DataBits(settings.dataBits)))
        return comBadByteSize;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.parity) {
    case 'E':
        parity = QSerialPort::EvenParity;
        break;
    case 'O':
        parity = QSerialPort::OddParity;
        break;
    case 'M':
        parity = QSerialPort::MarkParity;
        break;
    case 'S':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    if (!m_port->setParity(parity))
        return comDefaultParams;
#ifndef Q_OS_WIN
    // The terminal interface has no one and a half stop bits.
    if (settings.stopBits == 15)
        return comDefaultParams;
#endif
    const QSerialPort::StopBits stop = settings.stopBits == 2    ? QSerialPort::TwoStop
                                       : settings.stopBits == 15 ? QSerialPort::OneAndHalfStop
                                                                 : QSerialPort::OneStop;
    if (!m_port->setStopBits(stop))
        return comDefaultParams;
    m_parityChecked = parity != QSerialPort::NoParity;
    applyControlLines();
    tuneTermios(m_parityChecked);
    m_port->clearError();
    return comNoError;
}

// XON and XOFF reach the channel as data; bytes received with a parity or framing error,
// and breaks, are marked (see MarkedInput), so that ParityReplace stands in for parity
// errors only.
void SerialPortLine::tuneTermios(bool parityChecked)
{
#ifdef Q_OS_LINUX
    termios tio{};
    const int fd = int(m_port->handle());
    if (::tcgetattr(fd, &tio) != 0)
        return;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | IGNPAR | ISTRIP | IGNBRK | BRKINT);
    tio.c_iflag |= PARMRK;
    if (parityChecked)
        tio.c_iflag |= INPCK;
    else
        tio.c_iflag &= ~tcflag_t(INPCK);
    ::tcsetattr(fd, TCSANOW, &tio);
#else
    Q_UNUSED(parityChecked);
#endif
}

// DTR and RTS follow their properties; Handshaking 2 (or 3) is the hardware handshake, under
// which the driver raises and drops RTS itself, and RTSEnable false holds it down (so that
// the far end stops sending) until it is set again. A device without modem lines takes the
// calls without failing.
int SerialPortLine::applyControlLines()
{
    if (!m_port || m_pty)
        return comNoError;
    const bool hardware = Handshaking() == comRTS || Handshaking() == comRTSXOnXOff;
    m_port->setFlowControl(hardware ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    m_port->setDataTerminalReady(DTREnable());
    if (!hardware)
        m_port->setRequestToSend(RTSEnable());
#ifdef Q_OS_LINUX
    if (hardware && RTSEnable() == m_rtsHeld) {
        int rts = TIOCM_RTS;
        if (::ioctl(m_port->handle(), RTSEnable() ? TIOCMBIS : TIOCMBIC, &rts) == 0)
            m_rtsHeld = !RTSEnable();
    }
#endif
    m_port->clearError();
    return comNoError;
}

void SerialPortLine::closeDevice()
{
    m_poll.stop();
    if (m_port) {
        // Nothing more leaves after a stop; a drain still waiting ends with it.
        if (!m_sentAll)
            TerminalCalls::current().discardOutput(m_port->handle());
        endDrain();
    }
    m_out.clear();
    m_outDone = 0;
    if (QSocketNotifier *writable = std::exchange(m_writable, nullptr)) {
        writable->setEnabled(false);
        writable->disconnect(this);
        if (m_inCallback > 0)
            writable->deleteLater();
        else
            delete writable;
    }
    if (!m_port)
        return;
    QSerialPort *port = m_port;
    m_port = nullptr;
    port->disconnect(this);
    TerminalCalls::current().close(*port);
    // Closing from inside the device's own notification: it is deleted once that returns.
    if (m_inCallback > 0)
        port->deleteLater();
    else
        delete port;
}

int SerialPortLine::writeDevice(const QByteArray &data)
{
    if (!m_port)
        return comPortNotOpen;
    m_sentAll = false;
#ifdef Q_OS_UNIX
    if (m_out.isEmpty()) {
        m_out = data;
    } else {
        m_out.remove(0, m_outDone);
        m_out += data;
    }
    m_outDone = 0;
    // The device takes what it can at once; the notifier hands over the rest.
    if (pushOutput() < 0) {
        const int error = errno;
        lose();
        return writeFailure(error);
    }
#else
    if (m_port->write(data) != data.size()) {
        lose();
        return comWriteError;
    }
    // Hands the first block to the driver now rather than on the next pass of the loop.
    m_port->flush();
#endif
    return comNoError;
}

// Hands the device as much of the waiting output as it takes without waiting. The number
// of bytes taken, or -1 when the device failed.
qsizetype SerialPortLine::pushOutput()
{
#ifdef Q_OS_UNIX
    const qsizetype left = m_out.size() - m_outDone;
    if (left == 0)
        return 0;
    ssize_t taken = 0;
    do {
        taken = ::write(int(m_port->handle()), m_out.constData() + m_outDone, size_t(left));
    } while (taken < 0 && errno == EINTR);
    if (taken < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
        taken = 0;
    }
    m_outDone += taken;
    if (m_outDone == m_out.size()) {
        m_out.clear();
        m_outDone = 0;
    }
    if (m_writable)
        m_writable->setEnabled(!m_out.isEmpty());
    return taken;
#else
    return 0;
#endif
}

void SerialPortLine::outputWritable()
{
    CallbackScope scope(this, m_inCallback);
    if (m_port && pushOutput() < 0)
        fail(writeFailure(errno));
}

int SerialPortLine::pendingOutput(int &count)
{
    if (!m_port)
        return comPortNotOpen;
    count = int(m_port->bytesToWrite() + (m_out.size() - m_outDone));
    if (count > 0)
        return comNoError;
#ifdef Q_OS_LINUX
    int queued = 0;
    if (::ioctl(m_port->handle(), TIOCOUTQ, &queued) == 0) {
        count += queued;
    } else if (deviceGone(errno)) {
        lose();
        return comDeviceLost;
    }
#endif
    return comNoError;
}

// The driver's transmit queue (TIOCOUTQ) of a real port empties as the line carries it.
bool SerialPortLine::outputQueueKnown() const
{
#ifdef Q_OS_LINUX
    return !m_pty;
#else
    return false;
#endif
}

int SerialPortLine::startDrain()
{
    if (!m_port)
        return comPortNotOpen;
    endDrain();
    m_drainDone = false;
    m_drainError = 0;
    TerminalCalls *calls = &TerminalCalls::current();
    const qintptr handle = m_port->handle();
    m_drain = std::thread([this, calls, handle] {
        m_drainError = calls->drain(handle);
        m_drainDone = true;
    });
    return comNoError;
}

bool SerialPortLine::drained()
{
    if (!m_drainDone)
        return false;
    // Seen here, not on the drain's thread: a write since then starts the count afresh.
    m_sentAll = m_drainError == 0 && m_out.isEmpty();
    return true;
}

// The drain's thread is done before the port goes; discarding the output first releases it.
void SerialPortLine::endDrain()
{
    if (m_drain.joinable())
        m_drain.join();
}

int SerialPortLine::modemLine(ModemLine line, bool &state)
{
    state = true;
    if (!m_port || m_pty)
        return comNoError;
#ifdef Q_OS_LINUX
    int bits = 0;
    if (::ioctl(m_port->handle(), TIOCMGET, &bits) != 0) {
        if (!deviceGone(errno))
            return comNoError;
        lose();
        return comDeviceLost;
    }
    switch (line) {
    case ModemLine::Cts:
        state = bits & TIOCM_CTS;
        break;
    case ModemLine::Dsr:
        state = bits & TIOCM_DSR;
        break;
    case ModemLine::Cd:
        state = bits & TIOCM_CAR;
        break;
    case ModemLine::Ring:
        state = bits & TIOCM_RNG;
        break;
    }
#else
    const QSerialPort::PinoutSignals pins = m_port->pinoutSignals();
    m_port->clearError();
    switch (line) {
    case ModemLine::Cts:
        state = pins & QSerialPort::ClearToSendSignal;
        break;
    case ModemLine::Dsr:
        state = pins & QSerialPort::DataSetReadySignal;
        break;
    case ModemLine::Cd:
        state = pins & QSerialPort::DataCarrierDetectSignal;
        break;
    case ModemLine::Ring:
        state = pins & QSerialPort::RingIndicatorSignal;
        break;
    }
#endif
    return comNoError;
}

// Input going on reads what waited meanwhile, from the event loop.
void SerialPortLine::pauseInput(bool paused)
{
    if (!paused)
        QMetaObject::invokeMethod(this, &SerialPortLine::readArrived, Qt::QueuedConnection);
}

void SerialPortLine::readArrived()
{
    CallbackScope scope(this, m_inCallback);
    if (!m_port || InputPaused())
        return;
    QByteArray bytes = m_port->readAll();
    MarkedInput::Found found;
    if (!m_pty) {
        const int parity = parityErrorsUnmarked();
        const QString replace = ParityReplace();
        bytes = m_marked.take(bytes, parity,
                              replace.isEmpty() ? QByteArray()
                                                : QByteArray(1, char(replace.at(0).toLatin1())),
                              found);
        m_parityMarked += found.parity;
    }
    if (!deliver(bytes) || !scope.alive() || !m_port)
        return;
    if (m_pollCounters) {
        pollCounters(); // the counters report every error, marked or not
        return;
    }
    // Without counters the marks are the only report of a line error.
    if (found.breaks > 0 && (!raise(comEventBreak) || !m_port))
        return;
    if (found.parity > 0 && (!raise(comEventRxParity) || !m_port))
        return;
    if (found.framing > 0)
        raise(comEventFrame);
}

// How many parity errors the driver counted that no mark has stood for yet. Without
// counters every mark may be one when parity is checked; when it is not, the driver marks
// no parity error.
int SerialPortLine::parityErrorsUnmarked()
{
#ifdef Q_OS_LINUX
    serial_icounter_struct counters{};
    if (m_pollCounters && ::ioctl(m_port->handle(), TIOCGICOUNT, &counters) == 0)
        return std::max(0, counters.parity - m_parityAtOpen - m_parityMarked);
#endif
    return m_parityChecked ? std::numeric_limits<int>::max() : 0;
}

void SerialPortLine::portError(QSerialPort::SerialPortError error)
{
    CallbackScope scope(this, m_inCallback);
    // A read or a write fails also when the device has gone (a line hung up reads as the
    // end of the data); it then answers nothing any more.
    const bool readOrWrite = error == QSerialPort::ReadError || error == QSerialPort::WriteError;
    if (error == QSerialPort::ResourceError || (readOrWrite && deviceLost()))
        fail(comDeviceLost);
    else if (error == QSerialPort::ReadError)
        fail(comReadError);
    else if (error == QSerialPort::WriteError)
        fail(comWriteError);
}

bool SerialPortLine::deviceLost() const
{
#ifdef Q_OS_UNIX
    termios tio{};
    return m_port && ::tcgetattr(int(m_port->handle()), &tio) != 0 && deviceGone(errno);
#else
    return false;
#endif
}

void SerialPortLine::poll()
{
    CallbackScope scope(this, m_inCallback);
    if (!pollModemLines() || !scope.alive() || !m_port)
        return;
    pollCounters();
}

// Raises CommEvent 3 to 6 for every modem line that changed. False when the line closed
// or was destroyed meanwhile.
bool SerialPortLine::pollModemLines()
{
#ifdef Q_OS_LINUX
    if (!m_pollLines || !m_port)
        return true;
    int bits = 0;
    if (::ioctl(m_port->handle(), TIOCMGET, &bits) != 0) {
        if (deviceGone(errno)) {
            fail(comDeviceLost);
            return false;
        }
        m_pollLines = false;
        return true;
    }
    const int changed = bits ^ m_lines;
    m_lines = bits;
    const struct {
        int bit;
        qint16 event;
    } kLines[] = {
        {TIOCM_CTS, comEvCTS}, {TIOCM_DSR, comEvDSR}, {TIOCM_CAR, comEvCD}, {TIOCM_RNG, comEvRing}};
    for (const auto &line : kLines)
        if ((changed & line.bit) && (!raise(line.event) || !m_port))
            return false;
#endif
    return true;
}

// Raises the line errors that the driver counted since the last poll.
bool SerialPortLine::pollCounters()
{
#ifdef Q_OS_LINUX
    if (!m_pollCounters || !m_port)
        return true;
    serial_icounter_struct counters{};
    if (::ioctl(m_port->handle(), TIOCGICOUNT, &counters) != 0) {
        if (deviceGone(errno)) {
            fail(comDeviceLost);
            return false;
        }
        m_pollCounters = false;
        return true;
    }
    const int now[5] = {counters.brk, counters.frame, counters.overrun, counters.buf_overrun,
                        counters.parity};
    const qint16 events[5] = {comEventBreak, comEventFrame, comEventOverrun, comEventRxOver,
                              comEventRxParity};
    for (int i = 0; i < 5; ++i) {
        if (now[i] == m_counters[i])
            continue;
        m_counters[i] = now[i];
        if (!raise(events[i]) || !m_port)
            return false;
    }
#endif
    return true;
}

} // namespace kordavel
