#include "tariff/HolidayForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

THolidayForm::THolidayForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("HolidayForm"));
    setWindowTitle(QStringLiteral("Define Public Holidays"));

    auto *text = new QLabel(QStringLiteral(
        "Please select a public holiday on the calendar and then press the 'Add' button to add it to the list. To "
        "remove a date, select it from the list and press the 'Remove' button."));
    text->setWordWrap(true);

    const auto button = [](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    m_previousButton = button("PreviousMonthButton", QStringLiteral("<---"));
    m_nextButton = button("NextMonthButton", QStringLiteral("--->"));
    m_monthLabel = new QLabel;
    m_monthLabel->setObjectName(QStringLiteral("MonthLabel"));
    m_monthLabel->setAlignment(Qt::AlignCenter);
    m_calendar = new QCalendarWidget;
    m_calendar->setObjectName(QStringLiteral("Calendar"));
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setNavigationBarVisible(false);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setSelectedDate(ctx.clock.now().date());
    m_holidayList = new QListWidget;
    m_holidayList->setObjectName(QStringLiteral("HolidayListBox"));
    m_addButton = button("AddButton", QStringLiteral("&Add"));
    m_removeButton = button("RemoveButton", QStringLiteral("&Remove"));
    m_okButton = button("OkButton", QStringLiteral("&OK"));
    m_cancelButton = button("CancelButton", QStringLiteral("&Cancel"));

    auto *monthRow = new QHBoxLayout;
    monthRow->addWidget(m_previousButton);
    monthRow->addWidget(m_monthLabel, 1);
    monthRow->addWidget(m_nextButton);
    auto *calendarColumn = new QVBoxLayout;
    calendarColumn->addLayout(monthRow);
    calendarColumn->addWidget(m_calendar);
    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(m_addButton);
    listButtons->addWidget(m_removeButton);
    auto *listColumn = new QVBoxLayout;
    listColumn->addWidget(m_holidayList, 1);
    listColumn->addLayout(listButtons);
    auto *body = new QHBoxLayout;
    body->addLayout(calendarColumn);
    body->addLayout(listColumn);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(body);
    layout->addLayout(buttons);

    connect(m_previousButton, &QPushButton::clicked, this, [this] { stepMonth(-1); });
    connect(m_nextButton, &QPushButton::clicked, this, [this] { stepMonth(1); });
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, &THolidayForm::showMonthName);
    connect(m_addButton, &QPushButton::clicked, this, &THolidayForm::onAddClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &THolidayForm::onRemoveClicked);
    connect(m_okButton, &QPushButton::clicked, this, &THolidayForm::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    m_holidays = HolidayList::read(ctx);
    refillList();
    showMonthName();
}

// The month steps within the calendar's year: past December is January of
// the same year, and before January is December.
void THolidayForm::stepMonth(int step)
{
    const QDate shown = m_calendar->selectedDate();
    const int month = (shown.month() - 1 + step + 12) % 12 + 1;
    m_calendar->setSelectedDate(QDate(shown.year(), month, 1));
    m_calendar->setCurrentPage(shown.year(), month);
    showMonthName();
}

void THolidayForm::showMonthName()
{
    m_monthLabel->setText(QLocale(QLocale::English).standaloneMonthName(m_calendar->selectedDate().month()));
}

void THolidayForm::refillList()
{
    m_holidayList->clear();
    m_holidayList->addItems(m_holidays.shown);
}

void THolidayForm::onAddClicked()
{
    PROCEDURE_GUARD(m_ctx, "Holiday", "AddButtonClick");
    if (m_holidays.add(m_ctx.ui, DateTimeFromQDate(m_calendar->selectedDate())))
        m_holidayList->addItem(m_holidays.shown.last());
}

void THolidayForm::onRemoveClicked()
{
    PROCEDURE_GUARD(m_ctx, "Holiday", "RemoveButtonClick");
    const int row = m_holidayList->currentRow();
    if (row < 0 || m_holidayList->selectedItems().isEmpty())
        return;
    m_holidays.removeAt(row);
    refillList();
}

void THolidayForm::onOkClicked()
{
    PROCEDURE_GUARD(m_ctx, "Holiday", "OKButtonClick");
    m_holidays.write(m_ctx);
    accept();
}
