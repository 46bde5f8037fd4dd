#include "dialogs/TipOfTheDayForm.h"

#include "core/AppContext.h"
#include "dialogs/Tips.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

TTipOfTheDayForm::TTipOfTheDayForm(AppContext &ctx, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TipOfTheDayForm"));
    setWindowTitle(QStringLiteral("Tip of the day"));

    auto *picture = new QLabel;
    picture->setPixmap(QIcon(QStringLiteral(":/icons/tallyline.svg")).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_headingLabel = new QLabel(QStringLiteral("Did you know..."));
    m_headingLabel->setObjectName(QStringLiteral("HeadingLabel"));
    QFont headingFont = m_headingLabel->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    m_headingLabel->setFont(headingFont);

    m_tipLabel = new QLabel;
    m_tipLabel->setObjectName(QStringLiteral("TipLabel"));
    m_tipLabel->setTextFormat(Qt::PlainText);
    m_tipLabel->setWordWrap(true);
    m_tipLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_tipLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for the longest tip, so that the window keeps its size from tip to tip.
    m_tipLabel->setMinimumSize(360, m_tipLabel->fontMetrics().lineSpacing() * 5);

    auto *tipFrame = new QFrame;
    tipFrame->setFrameShape(QFrame::StyledPanel);
    tipFrame->setBackgroundRole(QPalette::Base);
    tipFrame->setAutoFillBackground(true);
    auto *tipLayout = new QHBoxLayout(tipFrame);
    tipLayout->addWidget(picture);
    auto *textLayout = new QVBoxLayout;
    textLayout->addWidget(m_headingLabel);
    textLayout->addWidget(m_tipLabel, 1);
    tipLayout->addLayout(textLayout, 1);

    m_showTipsCheck = new QCheckBox(QStringLiteral("Show tips on start-up"));
    m_showTipsCheck->setObjectName(QStringLiteral("ShowTipsCheck"));
    m_nextTipButton = new QPushButton(QStringLiteral("&Next Tip"));
    m_nextTipButton->setObjectName(QStringLiteral("NextTipButton"));
    m_nextTipButton->setAutoDefault(false);
    m_closeButton = new QPushButton(QStringLiteral("&Close"));
    m_closeButton->setObjectName(QStringLiteral("CloseButton"));
    m_closeButton->setDefault(true);
    connect(m_nextTipButton, &QPushButton::clicked, this, &TTipOfTheDayForm::showNextTip);
    // Escape rejects the dialog, which closes it as "&Close" does.
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_showTipsCheck);
    bottom->addStretch(1);
    bottom->addWidget(m_nextTipButton);
    bottom->addWidget(m_closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tipFrame, 1);
    layout->addLayout(bottom);
}

void TTipOfTheDayForm::showEvent(QShowEvent *event)
{
    PROCEDURE_GUARD(m_ctx, "TipOfTheDay", "FormShow");
    // A window brought back from the desktop shows the same tip.
    if (event->spontaneous()) {
        QDialog::showEvent(event);
        return;
    }
    m_showTipsCheck->setChecked(m_ctx.settings.ShowTipForm);
    showNextTip();
    QDialog::showEvent(event);
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TTipOfTheDayForm::showNextTip()
{
    m_ctx.shell.LastTipShown = NextTipPosition(m_ctx.shell.LastTipShown);
    m_tipLabel->setText(TipDisplayText(m_ctx.shell.LastTipShown));
}

void TTipOfTheDayForm::done(int result)
{
    // Kept in memory; it is stored with the settings.
    m_ctx.settings.ShowTipForm = m_showTipsCheck->isChecked();
    QDialog::done(result);
}
