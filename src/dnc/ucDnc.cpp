// SPDX-License-Identifier: GPL-3.0-or-later
#include "ucDnc.h"

#include "SerialLine.h"
#include "SerialPortLine.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

namespace kordavel {

namespace {

// A property value that reads as a number as a whole ("3", " 3.0", "1e1").
bool readNumber(const QString &text, double &value)
{
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

bool readWholeNumber(const QString &text, int &value)
{
    double number = 0;
    if (!readNumber(text, number) || number != std::floor(number) || std::fabs(number) > 1e9)
        return false;
    value = int(number);
    return true;
}

} // namespace

ucDnc::ucDnc(QWidget *parent) : ucDnc(std::make_unique<SerialPortLine>(), parent) {}

ucDnc::ucDnc(std::unique_ptr<SerialLine> line, QWidget *parent)
    : QWidget(parent), m_line(std::move(line))
{
    lblDNC = new QLabel(QStringLiteral("DNC"), this);
    lblDNC->setAlignment(Qt::AlignCenter);
    lblDNC->setFrameShape(QFrame::Box);
    connect(&m_machine, &TransferMachine::finished, this, &ucDnc::Finished);
    connect(m_line.get(), &SerialLine::OnComm, this, &ucDnc::MSComm1_OnComm);
    connect(m_line.get(), &SerialLine::PortFailed, this, &ucDnc::portFailed);
    init();
}

ucDnc::~ucDnc()
{
    // The line goes with the channel; it closes an open port on the way. No notification
    // reaches the half-destroyed channel.
    m_line->disconnect(this);
    if (m_line->PortOpen())
        m_line->setPortOpen(false);
}

void ucDnc::init()
{
    bXOffHeld = false;
    bCtsHeld = false;
    bDsrHeld = false;
    bEIA = false;
    bWaitXOn = false;
    int error = m_line->setCommPort(2);
    if (!error)
        error = m_line->setDTREnable(true);
    if (!error)
        error = m_line->setHandshaking(comRTS);
    if (!error)
        error = m_line->setInputMode(0);
    if (!error)
        error = m_line->setNullDiscard(false);
    if (!error)
        error = m_line->setParityReplace(QStringLiteral(" "));
    if (!error)
        error = m_line->setRTSEnable(true);
    if (!error)
        error = m_line->setSettings(QStringLiteral("4800,e,7,2"));
    if (!error)
        error = m_line->setInBufferSize(1024);
    if (!error)
        error = m_line->setOutBufferSize(1024);
    if (error)
        ReportError(error);
    m_tables = InitCodeTables();
}

void ucDnc::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    lblDNC->setGeometry(rect());
}

QString ucDnc::ComPort() const
{
    return QStringLiteral("COM") + QString::number(m_line->CommPort());
}

void ucDnc::setComPort(const QString &NewComPort)
{
    if (!idle())
        return;
    QString value = NewComPort;
    double number = 0;
    if (!readNumber(value, number)) {
        if (!value.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            return;
        value = value.mid(3);
    }
    int port = 0;
    if (!readWholeNumber(value, port) || port < 1 || port > 16)
        return;
    if (const int error = m_line->setCommPort(qint16(port)))
        ReportError(error);
}

// Field index of the settings string: 0 baud rate, 1 parity, 2 data bits, 3 stop bits.
QString ucDnc::settingsField(int index) const
{
    return m_line->Settings().section(QLatin1Char(','), index, index);
}

bool ucDnc::writeSettings(const QString &settings)
{
    if (const int error = m_line->setSettings(settings)) {
        ReportError(error);
        return false;
    }
    return true;
}

QString ucDnc::BaudRate() const
{
    return settingsField(0);
}

void ucDnc::setBaudRate(const QString &NewBaudRate)
{
    if (!idle())
        return;
    int baud = 0;
    if (!readWholeNumber(NewBaudRate, baud))
        return;
    static const int kRates[] = {110,  300,   600,   1200,  2400,  4800,
                                 9600, 19200, 38400, 57600, 115200};
    if (std::find(std::begin(kRates), std::end(kRates), baud) == std::end(kRates))
        return;
    const QString current = m_line->Settings();
    // Written as the plain number ("1200.0" as "1200"), the form the serial control takes.
    writeSettings(QString::number(baud) + current.mid(current.indexOf(QLatin1Char(','))));
}

QString ucDnc::DataBits() const
{
    // The one character after the second comma.
    const QString current = m_line->Settings();
    const int second = current.indexOf(QLatin1Char(','), current.indexOf(QLatin1Char(',')) + 1);
    return current.mid(second + 1, 1);
}

void ucDnc::setDataBits(const QString &NewDataBits)
{
    if (!idle())
        return;
    int bits = 0;
    if (!readWholeNumber(NewDataBits, bits) || bits < 4 || bits > 8)
        return;
    QStringList fields = m_line->Settings().split(QLatin1Char(','));
    if (fields.size() < 4)
        return;
    fields[2] = QString::number(bits);
    writeSettings(fields.join(QLatin1Char(',')));
}

QString ucDnc::StopBits() const
{
    return m_line->Settings().section(QLatin1Char(','), 3);
}

void ucDnc::setStopBits(const QString &NewStopBits)
{
    if (!idle())
        return;
    QString check = NewStopBits;
    check.remove(QLatin1Char(',')).remove(QLatin1Char('.'));
    double number = 0;
    if (!readNumber(check, number))
        return;
    QString value = NewStopBits;
    value.replace(QLatin1Char(','), QLatin1Char('.'));
    if (!readNumber(value, number) || (number != 1 && number != 1.5 && number != 2))
        return;
    QStringList fields = m_line->Settings().split(QLatin1Char(','));
    if (fields.size() < 4)
        return;
    // Stored with "." as the decimal point: "1,5" becomes "1.5".
    const QString stored = number == 1.5 ? QStringLiteral("1.5") : QString::number(int(number));
    writeSettings(fields.mid(0, 3).join(QLatin1Char(',')) + QLatin1Char(',') + stored);
}

QString ucDnc::Parity() const
{
    const QString letter = settingsField(1).left(1).toUpper();
    switch (letter.isEmpty() ? '\0' : letter.at(0).toLatin1()) {
    case 'N':
        return QStringLiteral("None");
    case 'E':
        return QStringLiteral("Even");
    case 'O':
        return QStringLiteral("Odd");
    default:
        return QStringLiteral("Another parity");
    }
}

void ucDnc::setParity(const QString &NewParity)
{
    if (!idle())
        return;
    QString letter;
    const QString upper = NewParity.toUpper();
    if (upper == QLatin1String("N") || upper == QLatin1String("E") || upper == QLatin1String("O"))
        letter = NewParity;
    else if (upper == QLatin1String("NONE"))
        letter = QStringLiteral("N");
    else if (upper == QLatin1String("EVEN"))
        letter = QStringLiteral("E");
    else if (upper == QLatin1String("ODD"))
        letter = QStringLiteral("O");
    else
        return;
    QStringList fields = m_line->Settings().split(QLatin1Char(','));
    if (fields.size() < 4)
        return;
    fields[1] = letter;
    writeSettings(fields.join(QLatin1Char(',')));
}

void ucDnc::setXOnXOff(bool NewXOnXOff)
{
    if (idle())
        bXOnXOff = NewXOnXOff;
}

void ucDnc::setRTSCTS(bool NewRTSCTS)
{
    if (!idle())
        return;
    if (const int error = m_line->setHandshaking(NewRTSCTS ? comRTS : comNone)) {
        ReportError(error);
        return;
    }
    bRTSCTS = NewRTSCTS;
}

void ucDnc::setDTRDTS(bool NewDTRDTS)
{
    if (!idle())
        return;
    if (const int error = m_line->setDTREnable(NewDTRDTS)) {
        ReportError(error);
        return;
    }
    bDTRDTS = NewDTRDTS;
}

void ucDnc::setWaitXOn(bool NewWaitXOn)
{
    if (idle())
        bWaitXOn = NewWaitXOn;
}

void ucDnc::setEIA(bool NewEIA)
{
    if (idle())
        bEIA = NewEIA;
}

} // namespace kordavel
