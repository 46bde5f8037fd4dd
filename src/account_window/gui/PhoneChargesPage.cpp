#include "account_window/gui/PhoneChargesPage.h"

#include "account_window/gui/TariffPieView.h"
#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "store/FloatText.h"
#include "tariff/AddISPForm.h"
#include "tariff/DayTypes.h"
#include "tariff/HolidayForm.h"
#include "tariff/ISPForm.h"
#include "tariff/IspRecord.h"
#include "tariff/SaveTimeZoneForm.h"
#include "tariff/TariffEditing.h"
#include "tariff/TariffPie.h"
#include "tariff/TimeZoneCopyForm.h"
#include "tariff/TimeZoneForm.h"
#include "tariff/TimeZonePresetsForm.h"
#include "users/Users.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const HelpText =
    "Time-zones define what phone charges (tarrif) will be used for that segment of the day. The pie chart on the "
    "right represents the 24 hours of the day. You can define different timezones by pressing 'Add'. To view/edit "
    "the charges for a particular timezone, select the 'segment' from the chart and the charges to the right of the "
    "chart will change to reflect that timezone. For more help, press the help button on the toolbar.";

const char *const TariffAddress = "timezones@tallyline.example.org";

QPushButton *makeButton(const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    return button;
}

QLineEdit *makeMoneyEdit(const char *name, const QString &text)
{
    auto *edit = new QLineEdit(text);
    edit->setObjectName(QLatin1String(name));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000.0000")) + 16);
    return edit;
}

} // namespace

PhoneChargesPage::PhoneChargesPage(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    m_pie = new TariffPieView;
    m_costEdit = makeMoneyEdit("CostEdit", QString());
    m_connectionEdit = makeMoneyEdit("ConnectionEdit", QStringLiteral("00.00"));
    m_minimumChargeRadio = new QRadioButton(QStringLiteral("Minimum"));
    m_minimumChargeRadio->setObjectName(QStringLiteral("MinimumChargeRadio"));
    m_standingChargeRadio = new QRadioButton(QStringLiteral("Base"));
    m_standingChargeRadio->setObjectName(QStringLiteral("StandingChargeRadio"));
    m_addButton = makeButton("AddTimeZoneButton", QStringLiteral("&Add..."));
    m_removeButton = makeButton("RemoveTimeZoneButton", QStringLiteral("&Remove"));
    m_copyButton = makeButton("CopyTimeZoneButton", QStringLiteral("&Copy.."));
    m_saveButton = makeButton("SaveTimeZoneButton", QStringLiteral("&Save..."));
    m_loadButton = makeButton("LoadTimeZoneButton", QStringLiteral("&Load..."));
    m_ispsButton = makeButton("ISPButton", QStringLiteral("&ISP's..."));
    m_holidaysButton = makeButton("HolidaysButton", QStringLiteral("&Holidays..."));
    m_ispCombo = new QComboBox;
    m_ispCombo->setObjectName(QStringLiteral("ComboBox2"));
    m_ispCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_ispCombo->setMinimumContentsLength(16);
    m_dayCombo = new QComboBox;
    m_dayCombo->setObjectName(QStringLiteral("DayComboBox"));
    m_dayCombo->addItems({QStringLiteral("Monday"), QStringLiteral("Tuesday"), QStringLiteral("Wednesday"),
                          QStringLiteral("Thursday"), QStringLiteral("Friday"), QStringLiteral("Saturday"),
                          QStringLiteral("Sunday"), QStringLiteral("Public Holidays")});
    m_dayCombo->setMinimumContentsLength(16);

    // The band group: the pie, and beside it the selected band's charges.
    m_timezonesGroup = new QGroupBox(QStringLiteral("Timezones"));
    m_timezonesGroup->setObjectName(QStringLiteral("TimezonesGroup"));
    const QString currency = QLocale().currencySymbol();
    auto *charges = new QGridLayout;
    charges->addWidget(new QLabel(QStringLiteral("Cost per minute")), 0, 0, 1, 2);
    charges->addWidget(new QLabel(currency), 1, 0);
    charges->addWidget(m_costEdit, 1, 1);
    charges->addWidget(new QLabel(QStringLiteral("Connection fee")), 2, 0, 1, 2);
    charges->addWidget(new QLabel(currency), 3, 0);
    charges->addWidget(m_connectionEdit, 3, 1);
    charges->addWidget(new QLabel(QStringLiteral("Charge Type")), 4, 0, 1, 2);
    charges->addWidget(m_minimumChargeRadio, 5, 0, 1, 2);
    charges->addWidget(m_standingChargeRadio, 6, 0, 1, 2);
    charges->setRowStretch(7, 1);
    auto *bandButtons = new QHBoxLayout;
    for (QPushButton *button : {m_addButton, m_removeButton, m_copyButton, m_saveButton, m_loadButton})
        bandButtons->addWidget(button);
    bandButtons->addStretch(1);
    auto *groupRow = new QHBoxLayout;
    groupRow->addWidget(m_pie, 0, Qt::AlignTop);
    groupRow->addSpacing(8);
    groupRow->addLayout(charges);
    groupRow->addStretch(1);
    auto *groupLayout = new QVBoxLayout(m_timezonesGroup);
    groupLayout->addLayout(groupRow);
    groupLayout->addLayout(bandButtons);

    auto *ispGroup = new QGroupBox(QStringLiteral("ISP or dialup connection to view / edit"));
    auto *ispRow = new QHBoxLayout(ispGroup);
    ispRow->addWidget(m_ispCombo, 1);
    ispRow->addWidget(m_ispsButton);
    auto *dayGroup = new QGroupBox(QStringLiteral("Day to view / edit"));
    auto *dayRow = new QHBoxLayout(dayGroup);
    dayRow->addWidget(m_dayCombo, 1);
    dayRow->addWidget(m_holidaysButton);

    auto *help = new QLabel(QLatin1String(HelpText));
    help->setObjectName(QStringLiteral("TimeZoneHelpText"));
    help->setWordWrap(true);
    help->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *mail = new QLabel(QStringLiteral("Email your timezones to: <a href=\"mailto:%1\">%1</a>")
                                .arg(QLatin1String(TariffAddress)));
    mail->setObjectName(QStringLiteral("TariffMailLabel"));
    mail->setOpenExternalLinks(true);

    auto *side = new QVBoxLayout;
    side->addWidget(ispGroup);
    side->addWidget(dayGroup);
    side->addWidget(help);
    side->addWidget(mail);
    side->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_timezonesGroup, 0, Qt::AlignTop);
    layout->addLayout(side, 1);

    m_pieMenu = new QMenu(this);
    QAction *addItem = m_pieMenu->addAction(QStringLiteral("&Add"));
    addItem->setObjectName(QStringLiteral("PieAddItem"));
    QAction *removeItem = m_pieMenu->addAction(QStringLiteral("&Remove"));
    removeItem->setObjectName(QStringLiteral("PieRemoveItem"));
    QAction *copyItem = m_pieMenu->addAction(QStringLiteral("&Copy"));
    copyItem->setObjectName(QStringLiteral("PieCopyItem"));
    // The pop-up does what the buttons do, when the user may edit tariffs now.
    const auto whenEditable = [this](void (PhoneChargesPage::*handler)()) {
        return [this, handler] {
            if (!RestrictionApplies(m_ctx, DisableTimezoneEditing) && !m_ctx.shell.SessionOpen)
                (this->*handler)();
        };
    };
    connect(addItem, &QAction::triggered, this, whenEditable(&PhoneChargesPage::onAddClicked));
    connect(removeItem, &QAction::triggered, this, whenEditable(&PhoneChargesPage::onRemoveClicked));
    connect(copyItem, &QAction::triggered, this, whenEditable(&PhoneChargesPage::onCopyClicked));

    connect(m_pie, &TariffPieView::pieClicked, this, &PhoneChargesPage::onPieClicked);
    connect(m_pie, &TariffPieView::menuRequested, this, [this](QPoint at) { m_pieMenu->popup(at); });
    for (QLineEdit *edit : {m_costEdit, m_connectionEdit}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { onMoneyEdited(edit); });
    }
    connect(m_costEdit, &QLineEdit::editingFinished, this, &PhoneChargesPage::onCostLeft);
    connect(m_connectionEdit, &QLineEdit::editingFinished, this, &PhoneChargesPage::onConnectionFeeLeft);
    connect(m_minimumChargeRadio, &QRadioButton::clicked, this, [this] { onChargeTypeClicked(false); });
    connect(m_standingChargeRadio, &QRadioButton::clicked, this, [this] { onChargeTypeClicked(true); });
    connect(m_ispCombo, &QComboBox::activated, this, &PhoneChargesPage::onIspChosen);
    connect(m_dayCombo, &QComboBox::activated, this, &PhoneChargesPage::onDayChosen);
    connect(m_addButton, &QPushButton::clicked, this, &PhoneChargesPage::onAddClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &PhoneChargesPage::onRemoveClicked);
    connect(m_copyButton, &QPushButton::clicked, this, &PhoneChargesPage::onCopyClicked);
    connect(m_saveButton, &QPushButton::clicked, this, &PhoneChargesPage::onSaveClicked);
    connect(m_loadButton, &QPushButton::clicked, this, &PhoneChargesPage::onLoadClicked);
    connect(m_holidaysButton, &QPushButton::clicked, this, &PhoneChargesPage::onHolidaysClicked);
    connect(m_ispsButton, &QPushButton::clicked, this, &PhoneChargesPage::onIspsClicked);
    // A session opens on its own ISP and day type: the page shows them.
    connect(&ctx.events, &EngineEvents::sessionOpened, this, &PhoneChargesPage::refresh);
    // A preset loaded elsewhere (the presets dialog, the wizard).
    connect(&ctx.events, &EngineEvents::timezonesChanged, this, [this] {
        if (m_ctx.login.LoggedIn)
            UpdateTimeZoneList();
    });

    updateEditing();
}

void PhoneChargesPage::refresh()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "RefreshPhoneCharges");
    if (!m_ctx.login.LoggedIn)
        return;
    fillIspList();
    m_viewedDay = CalculateCurrentDay(m_ctx);
    m_dayCombo->setCurrentIndex(m_viewedDay - 1);
    m_highlightedBand = 0;
    UpdateTimeZoneList();
    const int current = DetermineCurrentTimeZone(m_ctx);
    if (current > 0)
        SelectTimeZone(current);
    applySessionState();
}

void PhoneChargesPage::fillIspList()
{
    const QStringList names = IspNames(m_ctx);
    if (names.isEmpty())
        return;
    m_ispCombo->clear();
    m_ispCombo->addItems(names);
    m_ispCombo->setCurrentIndex(m_ctx.tariff.CurrentTimeZoneISP - 1);
}

void PhoneChargesPage::UpdateTimeZoneList()
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "UpdateTimeZoneList");
    m_pie->DrawPieChart();
    const int user = m_ctx.login.CurrentUser;
    const int isp = m_ctx.tariff.CurrentTimeZoneISP;
    m_bands = m_ctx.login.LoggedIn ? ReadDayTariff(m_ctx.store, user, isp, m_viewedDay) : QList<BandRecord>();
    if (!m_bands.isEmpty()) {
        m_selectedBand = 1;
        for (int k = 1; k <= m_bands.size(); ++k) {
            const BandRecord &band = m_bands[k - 1];
            if (band.startTime == band.endTime)
                m_pie->DrawTimeZonePie(0, 1440, BandColour(k), false);
            else
                m_pie->DrawTimeZonePie(band.startTime, band.endTime, BandColour(k), false);
        }
        // The whole pie was drawn afresh: nothing is highlighted any more.
        m_highlightedBand = 0;
        SelectTimeZone(1);
    } else {
        m_selectedBand = 0;
        m_highlightedBand = 0;
        m_costEdit->setText(QStringLiteral("0"));
        m_connectionEdit->setText(QStringLiteral("0"));
    }
    const QString preset = m_ctx.login.LoggedIn ? ReadIspRecord(m_ctx.store, user, isp).presetName : QString();
    m_ctx.currentPresetName = preset;
    m_timezonesGroup->setTitle(QStringLiteral("Timezones - ") + preset);
    updateEditing();
}

void PhoneChargesPage::SelectTimeZone(int band)
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "SelectTimeZone");
    m_bands = ReadDayTariff(m_ctx.store, m_ctx.login.CurrentUser, m_ctx.tariff.CurrentTimeZoneISP, m_viewedDay);
    if (band < 1 || band > m_bands.size())
        return;
    m_selectedBand = band;
    const BandRecord &selected = m_bands[band - 1];
    m_costEdit->setText(QString::asprintf("%5.4f", selected.costPerMinute()));
    m_connectionEdit->setText(QString::asprintf("%5.4f", selected.fee()));
    (selected.connectionFeeType != 0 ? m_standingChargeRadio : m_minimumChargeRadio)->setChecked(true);
    if (m_highlightedBand > 0 && m_highlightedBand <= m_bands.size()) {
        const BandRecord &previous = m_bands[m_highlightedBand - 1];
        m_pie->DrawTimeZonePie(previous.startTime, previous.endTime, BandColour(m_highlightedBand), false);
    }
    m_pie->DrawTimeZonePie(selected.startTime, selected.endTime, HighlightedColour(BandColour(band)), true);
    m_highlightedBand = band;
    updateEditing();
}

bool PhoneChargesPage::editingRestricted() const
{
    return RestrictionApplies(m_ctx, DisableTimezoneEditing);
}

// The charges of the selected band can be changed only with a band, without
// the restriction and while no session is open.
void PhoneChargesPage::updateEditing()
{
    const bool editable = m_selectedBand > 0 && !editingRestricted() && !m_ctx.shell.SessionOpen;
    for (QWidget *w : std::initializer_list<QWidget *>{m_costEdit, m_connectionEdit, m_minimumChargeRadio,
                                                       m_standingChargeRadio})
        w->setEnabled(editable);
}

void PhoneChargesPage::applyRestrictions()
{
    const bool restricted = editingRestricted();
    for (QPushButton *button : {m_addButton, m_removeButton, m_copyButton, m_loadButton, m_saveButton,
                                m_holidaysButton, m_ispsButton})
        button->setVisible(!restricted);
    updateEditing();
}

void PhoneChargesPage::applySessionState()
{
    const bool open = m_ctx.shell.SessionOpen;
    for (QPushButton *button : {m_addButton, m_removeButton, m_copyButton, m_loadButton, m_saveButton,
                                m_holidaysButton, m_ispsButton})
        button->setEnabled(!open);
    m_ispCombo->setEnabled(!open);
    updateEditing();
}

bool PhoneChargesPage::eventFilter(QObject *watched, QEvent *event)
{
    // A click into a charge selects all of it, ready to be typed over.
    if (event->type() == QEvent::MouseButtonPress && (watched == m_costEdit || watched == m_connectionEdit)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    }
    return QWidget::eventFilter(watched, event);
}

void PhoneChargesPage::onMoneyEdited(QLineEdit *edit)
{
    const QString cut = CutBandMoneyText(edit->text());
    if (cut != edit->text()) {
        edit->setText(cut);
        edit->setCursorPosition(int(cut.size()));
    }
}

void PhoneChargesPage::onCostLeft()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "CostEditExit");
    if (!m_costEdit->isEnabled())
        return;
    m_costEdit->setText(BandMoneyText(m_costEdit->text()));
    StoreBandCost(m_ctx, m_viewedDay, m_selectedBand, m_costEdit->text());
}

void PhoneChargesPage::onConnectionFeeLeft()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "ConnectionEditExit");
    if (!m_connectionEdit->isEnabled())
        return;
    m_connectionEdit->setText(BandMoneyText(m_connectionEdit->text()));
    StoreBandConnectionFee(m_ctx, m_viewedDay, m_selectedBand, m_connectionEdit->text());
}

// What the edits show goes to the selected band before another is chosen.
void PhoneChargesPage::storeShownCharges()
{
    if (m_selectedBand < 1 || !m_costEdit->isEnabled())
        return;
    StoreBandCost(m_ctx, m_viewedDay, m_selectedBand, BandMoneyText(m_costEdit->text()));
    StoreBandConnectionFee(m_ctx, m_viewedDay, m_selectedBand, BandMoneyText(m_connectionEdit->text()));
}

void PhoneChargesPage::onChargeTypeClicked(bool base)
{
    PROCEDURE_GUARD(m_ctx, "Properties", base ? "StandingChargeRadioClick" : "MinimumChargeRadioClick");
    const int type = base ? (m_standingChargeRadio->isChecked() ? 1 : 0) : (m_minimumChargeRadio->isChecked() ? 0 : 1);
    StoreBandConnectionFeeType(m_ctx, m_viewedDay, m_selectedBand, type);
}

void PhoneChargesPage::onPieClicked(QPoint position)
{
    PROCEDURE_GUARD(m_ctx, "Properties", "PieImageClick");
    storeShownCharges();
    const double angle = PieClickAngle(position.x(), position.y(), PieWidth, PieHeight);
    m_bands = ReadDayTariff(m_ctx.store, m_ctx.login.CurrentUser, m_ctx.tariff.CurrentTimeZoneISP, m_viewedDay);
    const int band = BandAtAngle(m_bands, angle);
    if (band > 0) {
        m_selectedBand = band;
        SelectTimeZone(band);
    } else {
        m_ctx.ui.beep();
    }
}

void PhoneChargesPage::onIspChosen(int index)
{
    PROCEDURE_GUARD(m_ctx, "Properties", "ComboBox2Click");
    if (index < 0)
        return;
    m_highlightedBand = 0;
    ChooseCurrentISP(m_ctx, index + 1);
    UpdateTimeZoneList();
}

void PhoneChargesPage::onDayChosen(int index)
{
    PROCEDURE_GUARD(m_ctx, "Properties", "DayComboBoxClick");
    if (index < 0)
        return;
    m_viewedDay = index + 1;
    m_highlightedBand = 0;
    m_selectedBand = 0;
    UpdateTimeZoneList();
    if (m_viewedDay == CalculateCurrentDay(m_ctx)) {
        const int current = DetermineCurrentTimeZone(m_ctx);
        if (current > 0)
            SelectTimeZone(current);
    }
}

void PhoneChargesPage::runDialog(QDialog *dialog)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&PhoneChargesPage::dialogRequested)))
        Q_EMIT dialogRequested(dialog);
    else
        dialog->exec();
}

void PhoneChargesPage::onAddClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "AddTimeZoneButtonClick");
    if (m_ctx.settings.NumberOfUsers == 0) {
        m_ctx.ui.showMessage(MessageKind::Information,
                             QStringLiteral("Please add a user first. Time-zones are specific to different users."));
        return;
    }
    TTimeZoneForm form(m_ctx, m_viewedDay, window());
    runDialog(&form);
    UpdateTimeZoneList();
}

void PhoneChargesPage::onRemoveClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "RemoveTimeZoneButtonClick");
    if (m_selectedBand > 0 && RemoveTimeZone(m_ctx, m_viewedDay, m_selectedBand))
        m_highlightedBand = 0;
    UpdateTimeZoneList();
}

void PhoneChargesPage::onCopyClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "CopyTimeZoneButtonClick");
    TTimeZoneCopyForm form(m_ctx, m_viewedDay, window());
    runDialog(&form);
    UpdateTimeZoneList();
}

void PhoneChargesPage::onSaveClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "SaveTimeZoneButtonClick");
    TSaveTimeZoneForm form(m_ctx, window());
    runDialog(&form);
    UpdateTimeZoneList();
}

void PhoneChargesPage::onLoadClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "LoadTimeZoneButtonClick");
    TTimeZonePresetsForm form(m_ctx, window());
    runDialog(&form);
    UpdateTimeZoneList();
}

void PhoneChargesPage::onHolidaysClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "Button15Click");
    THolidayForm form(m_ctx, window());
    runDialog(&form);
}

void PhoneChargesPage::onIspsClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "Button17Click");
    TISPForm form(m_ctx, window());
    runDialog(&form);
    fillIspList();
    m_highlightedBand = 0;
    UpdateTimeZoneList();
}
