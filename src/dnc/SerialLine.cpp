// SPDX-License-Identifier: GPL-3.0-or-later
#include "SerialLine.h"

#include "LineSettings.h"

#include <QPointer>

namespace kordavel {

SerialLine::SerialLine(QObject *parent) : QObject(parent) {}

SerialLine::~SerialLine() = default;

int SerialLine::setCommPort(qint16 port)
{
    if (m_open)
        return comPortOpen;
    if (port < 1 || port > 16)
        return comPortInvalid;
    m_commPort = port;
    return comNoError;
}

int SerialLine::setSettings(const QString &settings)
{
    if (!parseLineSettings(settings))
        return comInvalidPropertyValue;
    if (m_open)
        return comPortOpen;
    m_settings = settings;
    return comNoError;
}

int SerialLine::setPortOpen(bool open)
{
    if (open == m_open)
        return open ? comPortAlreadyOpen : comNoError;
    if (!open) {
        closeDevice();
        m_open = false;
        m_received.clear();
        return comNoError;
    }
    m_inputPaused = false;
    const int error = openDevice();
    if (error != comNoError)
        return error;
    m_open = true;
    m_received.clear();
    return comNoError;
}

int SerialLine::setHandshaking(qint32 handshaking)
{
    if (handshaking < comNone || handshaking > comRTSXOnXOff)
        return comInvalidPropertyValue;
    const qint32 old = m_handshaking;
    m_handshaking = handshaking;
    if (m_open) {
        if (const int error = applyControlLines()) {
            m_handshaking = old;
            return error;
        }
    }
    return comNoError;
}

int SerialLine::setDTREnable(bool enable)
{
    const bool old = m_dtrEnable;
    m_dtrEnable = enable;
    if (m_open) {
        if (const int error = applyControlLines()) {
            m_dtrEnable = old;
            return error;
        }
    }
    return comNoError;
}

int SerialLine::setRTSEnable(bool enable)
{
    const bool old = m_rtsEnable;
    m_rtsEnable = enable;
    if (m_open) {
        if (const int error = applyControlLines()) {
            m_rtsEnable = old;
            return error;
        }
    }
    return comNoError;
}

// The queues grow as needed; the sizes are kept for the settings' sake.
int SerialLine::setInBufferSize(qint16 size)
{
    if (m_open)
        return comPortOpen;
    if (size <= 0)
        return comInvalidPropertyValue;
    m_inBufferSize = size;
    return comNoError;
}

int SerialLine::setOutBufferSize(qint16 size)
{
    if (m_open)
        return comPortOpen;
    if (size <= 0)
        return comInvalidPropertyValue;
    m_outBufferSize = size;
    return comNoError;
}

int SerialLine::setInputLen(qint16 length)
{
    if (length < 0)
        return comInvalidPropertyValue;
    m_inputLen = length;
    return comNoError;
}

int SerialLine::setRThreshold(qint16 threshold)
{
    if (threshold < 0)
        return comInvalidPropertyValue;
    m_rThreshold = threshold;
    return comNoError;
}

int SerialLine::setNullDiscard(bool discard)
{
    m_nullDiscard = discard;
    return comNoError;
}

int SerialLine::setParityReplace(const QString &replacement)
{
    if (replacement.size() > 1)
        return comInvalidPropertyValue;
    m_parityReplace = replacement;
    return comNoError;
}

int SerialLine::setInputMode(qint32 mode)
{
    if (mode != 0 && mode != 1)
        return comInvalidPropertyValue;
    m_inputMode = mode;
    return comNoError;
}

int SerialLine::Output(const QByteArray &data)
{
    if (!m_open)
        return comPortNotOpen;
    return data.isEmpty() ? comNoError : writeDevice(data);
}

int SerialLine::Input(QByteArray &data)
{
    data.clear();
    if (!m_open)
        return comPortNotOpen;
    if (m_inputLen > 0 && m_received.size() > m_inputLen) {
        data = m_received.left(m_inputLen);
        m_received.remove(0, m_inputLen);
    } else {
        data.swap(m_received);
    }
    return comNoError;
}

int SerialLine::OutBufferCount(int &count)
{
    count = 0;
    if (!m_open)
        return comPortNotOpen;
    return pendingOutput(count);
}

int SerialLine::CTSHolding(bool &holding)
{
    holding = false;
    return m_open ? modemLine(ModemLine::Cts, holding) : comPortNotOpen;
}

int SerialLine::DSRHolding(bool &holding)
{
    holding = false;
    return m_open ? modemLine(ModemLine::Dsr, holding) : comPortNotOpen;
}

int SerialLine::CDHolding(bool &holding)
{
    holding = false;
    return m_open ? modemLine(ModemLine::Cd, holding) : comPortNotOpen;
}

void SerialLine::setInputPaused(bool paused)
{
    if (!m_open || paused == m_inputPaused)
        return;
    m_inputPaused = paused;
    pauseInput(paused);
}

int SerialLine::StartDrain()
{
    return m_open ? startDrain() : comPortNotOpen;
}

bool SerialLine::Drained()
{
    return !m_open || drained();
}

bool SerialLine::deliver(const QByteArray &bytes)
{
    if (!m_open || bytes.isEmpty())
        return true;
    if (m_nullDiscard) {
        QByteArray kept = bytes;
        kept.removeIf([](char byte) { return byte == '\0'; });
        m_received += kept;
    } else {
        m_received += bytes;
    }
    if (m_rThreshold > 0 && m_received.size() >= m_rThreshold)
        return raise(comEvReceive);
    return true;
}

bool SerialLine::raise(qint16 event)
{
    QPointer<SerialLine> alive(this);
    m_commEvent = event;
    emit OnComm();
    return !alive.isNull();
}

void SerialLine::fail(int number)
{
    if (!m_open)
        return;
    lose();
    emit PortFailed(number);
}

void SerialLine::lose()
{
    if (!m_open)
        return;
    closeDevice();
    m_open = false;
    m_received.clear();
}

} // namespace kordavel
