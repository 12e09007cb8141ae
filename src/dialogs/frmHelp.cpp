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

#include <algorithm>

// The manuals are kept in this library's resources.
static void registerManuals()
{
    Q_INIT_RESOURCE(help);
}

namespace kordavel {

namespace {

// The places visited that a change of language takes over, the latest.
constexpr int kPlacesKept = 100;

} // namespace

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
    connect(txtPage->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmHelp::followPage);
    connect(txtPage->verticalScrollBar(), &QScrollBar::rangeChanged, this, &frmHelp::followPage);
    connect(txtPage, &QTextBrowser::sourceChanged, this, &frmHelp::followPage);
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
    if (m_shownLanguage != language())
        showManual(language());
    return true;
}

void frmHelp::showManual(qint16 language)
{
    // The places visited, oldest first, and the part shown now.
    QStringList visited;
    for (int i = std::min(txtPage->backwardHistoryCount(), kPlacesKept); i > 0; --i)
        visited << txtPage->historyUrl(-i).fragment();
    if (m_shownLanguage != 0)
        visited << txtPage->source().fragment();
    const int shown = headingOf(tvwContents->currentItem());

    m_shownLanguage = language;
    txtPage->setSource(QUrl(manualSource(language)));
    txtPage->clearHistory(); // only the new manual is left
    fillContents();
    for (const QString &place : std::as_const(visited))
        goTo(place);
    if (shown >= 0 && shown < m_headings.size())
        txtPage->verticalScrollBar()->setValue(headingTop(shown));
    followPage();
}

// One entry per heading of the sections (h2) and their parts (h3).
void frmHelp::fillContents()
{
    tvwContents->clear();
    m_headings.clear();
    QTreeWidgetItem *section = nullptr;
    for (QTextBlock block = txtPage->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if ((level != 2 && (level != 3 || !section)) || block.begin() == block.end())
            continue;
        auto *item = level == 2 ? new QTreeWidgetItem(tvwContents) : new QTreeWidgetItem(section);
        item->setText(0, block.text().simplified());
        if (level == 2)
            section = item;
        m_headings.append(
            {block.blockNumber(), block.begin().fragment().charFormat().anchorNames(), item});
    }
    tvwContents->expandAll();
}

int frmHelp::headingOf(const QTreeWidgetItem *item) const
{
    for (qsizetype i = 0; item && i < m_headings.size(); ++i)
        if (m_headings[i].item == item)
            return int(i);
    return -1;
}

int frmHelp::headingAt(const QString &place) const
{
    bool numbered = false;
    const int n = place.startsWith(QLatin1String("part")) ? place.mid(4).toInt(&numbered) : 0;
    if (numbered)
        return n >= 1 && n <= m_headings.size() ? n - 1 : -1;
    for (qsizetype i = 0; !place.isEmpty() && i < m_headings.size(); ++i)
        if (m_headings[i].anchors.contains(place))
            return int(i);
    return -1;
}

int frmHelp::headingTop(int heading) const
{
    const QTextBlock block = txtPage->document()->findBlockByNumber(m_headings[heading].block);
    return qRound(txtPage->document()->documentLayout()->blockBoundingRect(block).top());
}

void frmHelp::goTo(const QString &place)
{
    QUrl url(manualSource(m_shownLanguage));
    if (!place.isEmpty())
        url.setFragment(place);
    txtPage->setSource(url);
    // A part has no anchor of its own: the page goes to its heading here. The history keeps
    // where the page is when it moves on, and comes back there.
    const int heading = headingAt(place);
    if (heading >= 0 && !m_headings[heading].anchors.contains(place))
        txtPage->verticalScrollBar()->setValue(headingTop(heading));
}

void frmHelp::showHeading(QTreeWidgetItem *item)
{
    const int heading = headingOf(item);
    if (heading < 0)
        return;
    goTo(QStringLiteral("part") + QString::number(heading + 1));
    txtPage->setTextCursor(
        QTextCursor(txtPage->document()->findBlockByNumber(m_headings[heading].block)));
    tvwContents->setCurrentItem(item);
}

// The part shown is the last whose heading is at the top of the page or above it; at the end
// of the page, where a heading cannot come to the top, the one the page was sent to when it
// shows.
void frmHelp::followPage()
{
    const QScrollBar *bar = txtPage->verticalScrollBar();
    const int top = bar->value();
    const int sentTo = headingAt(txtPage->source().fragment());
    QTreeWidgetItem *shown = nullptr;
    for (qsizetype i = 0; i < m_headings.size(); ++i) {
        const int y = headingTop(int(i));
        if (top >= bar->maximum() && i == sentTo && y >= top) {
            shown = m_headings[i].item;
            break;
        }
        if (y <= top + 1)
            shown = m_headings[i].item;
    }
    if (shown == tvwContents->currentItem())
        return;
    tvwContents->setCurrentItem(shown);
    if (shown)
        tvwContents->scrollToItem(shown);
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
