#include <QtTest>
class TstRtf : public QObject { Q_OBJECT private slots: void nothing() {} };
QTEST_GUILESS_MAIN(TstRtf)
#include "tst_rtf.moc"
