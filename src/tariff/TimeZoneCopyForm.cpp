#include "tariff/TimeZoneCopyForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "tariff/TariffEditing.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TTimeZoneCopyForm::TTimeZoneCopyForm(AppContext &ctx, int sourceDay, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_sourceDay(sourceDay)
{
    setObjectName(QStringLiteral("TimeZoneCopyForm"));
    setWindowTitle(QStringLiteral("Copy time-zones"));

    auto *caption = new QLabel(QStringLiteral("Day of week"));
    m_dayList = new QListWidget;
    m_dayList->setObjectName(QStringLiteral("DayListView"));
    m_dayList->addItems({QStringLiteral("Monday"), QStringLiteral("Tuesday"), QStringLiteral("Wednesday"),
                         QStringLiteral("Thursday"), QStringLiteral("Friday"), QStringLiteral("Saturday"),
                         QStringLiteral("Sunday"), QStringLiteral("Public Holiday")});
    m_dayList->setSelectionMode(QAbstractItemView::NoSelection);
    auto *note = new QLabel(
        QStringLiteral("Note : Time-zones defined on the days you are copying to will be over written"));
    note->setWordWrap(true);

    m_copyButton = new QPushButton(QStringLiteral("&Copy"));
    m_copyButton->setObjectName(QStringLiteral("CopyButton"));
    m_copyButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_dayList);
    layout->addWidget(note);
    layout->addLayout(buttons);
    resize(300, 320);

    // A click on a day flips its tick; the source day stays as it is.
    connect(m_dayList, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (m_dayList->row(item) + 1 == m_sourceDay)
            return;
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    connect(m_copyButton, &QPushButton::clicked, this, &TTimeZoneCopyForm::onCopyClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    resetTicks();
}

void TTimeZoneCopyForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    resetTicks();
}

void TTimeZoneCopyForm::resetTicks()
{
    for (int row = 0; row < m_dayList->count(); ++row) {
        QListWidgetItem *item = m_dayList->item(row);
        item->setCheckState(Qt::Unchecked);
        const bool source = row + 1 == m_sourceDay;
        item->setFlags(source ? Qt::NoItemFlags : Qt::ItemIsEnabled);
    }
}

QList<int> TTimeZoneCopyForm::tickedDays() const
{
    QList<int> days;
    for (int row = 0; row < m_dayList->count(); ++row) {
        if (m_dayList->item(row)->checkState() == Qt::Checked)
            days.append(row + 1);
    }
    return days;
}

void TTimeZoneCopyForm::onCopyClicked()
{
    PROCEDURE_GUARD(m_ctx, "TimeZoneCopy", "CopyButtonClick");
    CopyTimeZones(m_ctx, m_sourceDay, tickedDays());
    accept();
}
