// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmHelp.h"

#include "common/AppState.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

// The manuals are kept in this library's resources.
static void registerManuals()
{
    Q_INIT_RESOURCE(help);
}

namespace kordavel {

frmHelp::frmHelp(QWidget *parent) : QWidget(parent, Qt::Window)
{
    registerManuals();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowIcon(QIcon(QStringLiteral(":/kordavel.svg")));
    tvwContents = new QTreeWidget;
    tvwContents->setHeaderHidden(true);
    txtPage = new QTextBrowser;
    txtPage->setOpenExternalLinks(false);
    cmdBack = new QPushButton(QStringLiteral("Back"));
    cmdForward = new QPushButton(QStringLiteral("Forward"));
    lblFind = new QLabel(QStringLiteral("Find:"));
    txtFind = new QLineEdit;
    cmdFindNext = new QPushButton(QStringLiteral("Find Next"));
    lblFind->setBuddy(txtFind);

    auto *bar = new QHBoxLayout;
    bar->addWidget(cmdBack);
    bar->addWidget(cmdForward);
    bar->addStretch(1);
    bar->addWidget(lblFind);
    bar->addWidget(txtFind, 1);
    bar->addWidget(cmdFindNext);
    auto *split = new QSplitter;
    split->addWidget(tvwContents);
    split->addWidget(txtPage);
    split->setStretchFactor(1, 3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    connect(cmdBack, &QPushButton::clicked, txtPage, &QTextBrowser::backward);
    connect(cmdForward, &QPushButton::clicked, txtPage, &QTextBrowser::forward);
    connect(txtPage, &QTextBrowser::backwardAvailable, cmdBack, &QWidget::setEnabled);
    connect(txtPage, &QTextBrowser::forwardAvailable, cmdForward, &QWidget::setEnabled);
    connect(tvwContents, &QTreeWidget::itemClicked, this, &frmHelp::showHeading);
    connect(tvwContents, &QTreeWidget::itemActivated, this, &frmHelp::showHeading);
    connect(cmdFindNext, &QPushButton::clicked, this, &frmHelp::findNext);
    connect(txtFind, &QLineEdit::returnPressed, this, &frmHelp::findNext);
    resize(900, 640);
    SetLanguage();
}

QString frmHelp::manualSource(qint16 language)
{
    switch (language) {
    case 2:
        return QStringLiteral("qrc:/help/manual_bg.html");
    case 3:
        return QStringLiteral("qrc:/help/manual_es.html");
    default:
        return QStringLiteral("qrc:/help/manual_en.html");
    }
}

bool frmHelp::SetLanguage()
{
    setWindowTitle(GetString(QLatin1String(kProductName), 404));
    cmdBack->setText(GetString(cmdBack->text(), 405));
    cmdForward->setText(GetString(cmdForward->text(), 406));
    lblFind->setText(GetString(lblFind->text(), 407));
    cmdFindNext->setText(GetString(cmdFindNext->text(), 116));
    if (m_shownLanguage != language()) {
        m_shownLanguage = language();
        txtPage->clearHistory();
        txtPage->setSource(QUrl(manualSource(m_shownLanguage)));
        fillContents();
    }
    return true;
}

// One entry per heading of the sections (h2) and their parts (h3).
void frmHelp::fillContents()
{
    tvwContents->clear();
    QTreeWidgetItem *section = nullptr;
    for (QTextBlock block = txtPage->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level != 2 && (level != 3 || !section))
            continue;
        auto *item = level == 2 ? new QTreeWidgetItem(tvwContents) : new QTreeWidgetItem(section);
        item->setText(0, block.text().simplified());
        item->setData(0, Qt::UserRole, block.blockNumber());
        if (level == 2)
            section = item;
    }
    tvwContents->expandAll();
}

void frmHelp::showHeading(QTreeWidgetItem *item)
{
    const QTextBlock block =
        txtPage->document()->findBlockByNumber(item->data(0, Qt::UserRole).toInt());
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    txtPage->setTextCursor(cursor);
    txtPage->verticalScrollBar()->setValue(
        int(txtPage->document()->documentLayout()->blockBoundingRect(block).top()));
}

bool frmHelp::findNext()
{
    const QString text = txtFind->text();
    if (text.isEmpty())
        return false;
    if (txtPage->find(text))
        return true;
    QTextCursor start(txtPage->document());
    txtPage->setTextCursor(start);
    return txtPage->find(text);
}

} // namespace kordavel
