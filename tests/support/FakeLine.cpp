// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeLine.h"

namespace kordavel {

FakeLine::FakeLine(QObject *parent) : SerialLine(parent) {}

QByteArray FakeLine::written() const
{
    QByteArray all;
    for (const Write &write : writes)
        all += write.bytes;
    return all;
}

void FakeLine::change(bool &line, bool on, qint16 event)
{
    if (line == on)
        return;
    line = on;
    if (PortOpen())
        raise(event);
}

int FakeLine::openDevice()
{
    if (m_openError != 0)
        return m_openError;
    ++opens;
    m_pending = 0;
    return comNoError;
}

void FakeLine::closeDevice()
{
    ++closes;
    m_pending = 0;
}

int FakeLine::writeDevice(const QByteArray &data)
{
    writes.append({data, Settings(), Handshaking(), DTREnable(), RTSEnable()});
    if (!m_autoDrain)
        m_pending += int(data.size());
    return comNoError;
}

int FakeLine::pendingOutput(int &count)
{
    if (m_vanishOnCount) {
        m_vanishOnCount = false;
        lose();
        return comDeviceLost;
    }
    count = m_pending;
    return comNoError;
}

int FakeLine::modemLine(ModemLine line, bool &state)
{
    const bool lines[] = {m_cts, m_dsr, m_cd, m_ring};
    state = lines[int(line)];
    return comNoError;
}

} // namespace kordavel
