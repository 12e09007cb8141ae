// SPDX-License-Identifier: GPL-3.0-or-later
// The toolpath interpreter against coordinates worked out by hand: arcs in every plane with
// I/J/K and R, modal state over blocks, incremental moves, inches, drilling cycles, lathe
// diameters, and the words it lists as not understood.
#include "tools/ToolpathInterpreter.h"

#include <QtTest>

using namespace kordavel;

namespace {

QString num(double v)
{
    return QString::number(std::round(v * 1000) / 1000 + 0.0);
}

QString point(const ToolpathPoint &p)
{
    return num(p.x) + ',' + num(p.y) + ',' + num(p.z);
}

// Kind, 1-based line and end of every move; an arc adds its centre and its middle point,
// a hole its top and bottom.
QString summary(const Toolpath &path)
{
    QStringList out;
    for (const ToolpathSegment &s : path.segments) {
        const ToolpathPoint *p = path.points.constData() + s.first;
        QString row = QString("RFAH"[s.kind]) + QString::number(s.line + 1) + ' ';
        if (s.kind == ToolpathSegment::Hole)
            row += point(p[0]) + '>' + point(p[1]);
        else
            row += point(p[1]);
        if (s.kind == ToolpathSegment::Arc)
            row += " c" + point(s.centre) + " m" + point(arcPoint(path, s, 0.5));
        out << row;
    }
    return out.join("; ");
}

} // namespace

class TstToolpath : public QObject {
    Q_OBJECT
private slots:
    void moves_data();
    void moves();
};

void TstToolpath::moves_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("lathe");
    QTest::addColumn<QString>("segments");
    QTest::addColumn<QString>("unknown");
    QTest::newRow("xy clockwise ij")
        << "G17 G2 X10 Y10 I10" << false << "A1 10,10,0 c10,0,0 m2.929,7.071,0"
        << "";
    QTest::newRow("xy r small arc")
        << "G3 X10 Y10 R10" << false << "A1 10,10,0 c0,10,0 m7.071,2.929,0"
        << "";
    QTest::newRow("xy r large arc")
        << "G3 X10 Y10 R-10" << false << "A1 10,10,0 c10,0,0 m17.071,-7.071,0"
        << "";
    QTest::newRow("full circle") << "G2 I5" << false << "A1 0,0,0 c5,0,0 m10,0,0"
                                 << "";
    QTest::newRow("helix") << "G3 Z-2 I5" << false << "A1 0,0,-2 c5,0,0 m10,0,-1"
                           << "";
    QTest::newRow("xz ik") << "G18 G3 X10 Z10 I10" << false << "A1 10,0,10 c10,0,0 m2.929,0,7.071"
                           << "";
    QTest::newRow("xz clockwise 3/4")
        << "G18 G2 X10 Z10 I10" << false << "A1 10,0,10 c10,0,0 m17.071,0,-7.071"
        << "";
    QTest::newRow("yz r") << "G19 G2 Y10 Z10 R10" << false << "A1 0,10,10 c0,10,0 m0,2.929,7.071"
                          << "";
    QTest::newRow("modal over blocks")
        << "G90 G0 X10\nY5\nG1 Z-1 F100\nX20\nG2 X30 R5\nX20 R5" << false
        << "R1 10,0,0; R2 10,5,0; F3 10,5,-1; F4 20,5,-1; A5 30,5,-1 c25,5,-1 m25,10,-1; "
           "A6 20,5,-1 c25,5,-1 m25,0,-1"
        << "";
    QTest::newRow("incremental") << "G91 G1 X10 Y10\nX10\nG90 X0\nG91 G2 X10 I5" << false
                                 << "F1 10,10,0; F2 20,10,0; F3 0,10,0; A4 10,10,0 c5,10,0 "
                                    "m5,15,0"
                                 << "";
    QTest::newRow("inches") << "G20 G0 X1 Y2.5\nG2 X2 Y2.5 I0.5\nG21 G0 X1" << false
                            << "R1 25.4,63.5,0; A2 50.8,63.5,0 c38.1,63.5,0 m38.1,76.2,0; "
                               "R3 1,63.5,0"
                            << "";
    QTest::newRow("drilling g99, g80")
        << "G0 X0 Y0 Z10\nG99 G81 X10 Y10 Z-5 R2 F100\nX20\nY20\nG80\nX0" << false
        << "R1 0,0,10; R2 10,10,10; H2 10,10,2>10,10,-5; R3 20,10,2; H3 20,10,2>20,10,-5; "
           "R4 20,20,2; H4 20,20,2>20,20,-5; R6 0,20,2"
        << "";
    QTest::newRow("drilling g91 g98 repeats")
        << "G0 Z10\nG91 G98 G83 X10 Z-5 R-8 Q1 K2\nG80 G90 X0" << false
        << "R1 0,0,10; R2 10,0,10; H2 10,0,2>10,0,-3; R2 20,0,10; H2 20,0,2>20,0,-3; "
           "R3 0,0,10"
        << "";
    QTest::newRow("lathe") << "G0 X40 Z2\nG1 Z-10\nX50 W-5\nG2 U10 Z-20 R5" << true
                           << "R1 20,0,2; F2 20,0,-10; F3 25,0,-15; A4 30,0,-20 c30,0,-15 "
                              "m26.464,0,-18.536"
                           << "";
    QTest::newRow("blocks, comments, deletes")
        << "%\nN10 G0 X1 (X9) ; X8\n/N20 x2\nO1234 (PROG)\n\nn30 g4 x5\n%" << false
        << "R2 1,0,0; R3 2,0,0"
        << "";
    QTest::newRow("not understood")
        << "G28 G91 Z0\nM98 P1000\nG0 X#1\nO100 CALL\n#1 = 5 ; set\nG1 A90 X5\n(ok) G65 "
           "P9000\nG1 X[#1+2] Y2\nG33 Z-20 K1.5\nZ-30\nG38.2 Z-1\nG2 X5"
        << false << "F6 5,0,0"
        << "1:G28 2:M98 3:X#1 4:O100 CALL 5:#1 = 5 6:A90 7:G65 8:X[#1+2] 9:G33 11:G38.2 12:G2";
}

void TstToolpath::moves()
{
    QFETCH(QString, program);
    QFETCH(bool, lathe);
    QFETCH(QString, segments);
    QFETCH(QString, unknown);
    const Toolpath path = ToolpathInterpreter::interpret(program, lathe);
    QCOMPARE(summary(path), segments);
    QStringList words;
    for (const ToolpathWord &w : path.unknown)
        words << QString::number(w.line + 1) + ':' + w.word;
    QCOMPARE(words.join(' '), unknown);
    // Read in slices of any size, the program gives the same path.
    ToolpathInterpreter sliced(lathe);
    for (qsizetype at = 0; at < program.size();)
        at = sliced.addLines(program, at, 1);
    QCOMPARE(summary(sliced.path()), summary(path));
}

QTEST_GUILESS_MAIN(TstToolpath)
#include "tst_toolpath.moc"
