// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Forms in every language: a row per language, the items of a list, and a check that every
// caption of a form shows whole: labels, buttons and check boxes are at least as wide as
// their text needs, no two controls overlap, and all lie inside the form. Containers
// (frames, tab pages) are checked in turn.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

namespace kordavel::test {

// The column "language" with a row for each: 1 English, 2 Bulgarian, 3 Spanish.
inline void addLanguageRows()
{
    QTest::addColumn<int>("language");
    QTest::newRow("English") << 1;
    QTest::newRow("Bulgarian") << 2;
    QTest::newRow("Spanish") << 3;
}

inline QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// More than a pixel or two of the one covers the other.
inline bool overlaps(const QRect &a, const QRect &b)
{
    return a.intersected(b).width() > 2 && a.intersected(b).height() > 2;
}

inline void checkCaptionsFit(const QWidget *form)
{
    const QList<QWidget *> children = form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (const QWidget *child : children) {
        if (child->isHidden())
            continue;
        const QString name = child->objectName() + QLatin1Char('/') + form->objectName();
        const auto *label = qobject_cast<const QLabel *>(child);
        if ((label && !label->wordWrap()) || qobject_cast<const QAbstractButton *>(child))
            QVERIFY2(child->width() >= child->sizeHint().width(), qPrintable(name));
        QVERIFY2(form->rect().contains(child->geometry()), qPrintable(name));
        for (const QWidget *other : children)
            if (other != child && !other->isHidden() && !qobject_cast<const QTabWidget *>(form))
                QVERIFY2(!overlaps(child->geometry(), other->geometry()),
                         qPrintable(name + QStringLiteral(" overlaps ") + other->objectName()));
        if (auto *tabs = qobject_cast<const QTabWidget *>(child)) {
            for (int i = 0; i < tabs->count(); ++i)
                checkCaptionsFit(tabs->widget(i));
        } else if (!qobject_cast<const QComboBox *>(child) &&
                   !qobject_cast<const QLineEdit *>(child) && !child->children().isEmpty()) {
            checkCaptionsFit(child);
        }
    }
}

} // namespace kordavel::test
