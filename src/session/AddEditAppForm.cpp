#include "session/AddEditAppForm.h"

#include "core/AppContext.h"
#include "session/ProgramList.h"
#include "tariff/DayTypes.h"
#include "tariff/gui/EditorFields.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLabel *wrapped(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QHBoxLayout *timeRow(QLineEdit *hours, QLineEdit *minutes)
{
    auto *row = new QHBoxLayout;
    row->addWidget(hours);
    row->addWidget(new QLabel(QStringLiteral(":")));
    row->addWidget(minutes);
    row->addWidget(new QLabel(QStringLiteral("(hrs : mins)")));
    row->addStretch(1);
    return row;
}

int fieldValue(const QLineEdit *edit)
{
    return edit->text().trimmed().toInt();
}

} // namespace

TAddEditAppForm::TAddEditAppForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("AddEditAppForm"));
    setWindowTitle(QStringLiteral("Add Application"));

    m_pages = new QTabWidget;
    m_pages->addTab(buildApplicationPage(), QStringLiteral("Application"));
    m_pages->addTab(buildTimeZonePage(), QStringLiteral("Time-zone"));

    auto *buttons = new QDialogButtonBox;
    m_okButton = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton *b : {m_okButton, cancel})
        b->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &TAddEditAppForm::onOkClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

QWidget *TAddEditAppForm::buildApplicationPage()
{
    auto *page = new QWidget;
    m_fileEdit = new QLineEdit;
    m_fileEdit->setObjectName(QStringLiteral("FileEdit"));
    m_browseButton = new QPushButton(QStringLiteral("&Browse..."));
    m_browseButton->setAutoDefault(false);
    connect(m_browseButton, &QPushButton::clicked, this, &TAddEditAppForm::onBrowseClicked);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_fileEdit, 1);
    fileRow->addWidget(m_browseButton);

    m_autoCloseCheck = new QCheckBox(QStringLiteral("Automatically close application when session closes"));
    auto *autoClose = new QGroupBox(QStringLiteral("Auto Close"));
    auto *autoCloseLayout = new QVBoxLayout(autoClose);
    autoCloseLayout->addWidget(m_autoCloseCheck);
    autoCloseLayout->addWidget(wrapped(QStringLiteral(
        "Tallyline can automatically close this application when session ends. Please note this doesn't work with "
        "all applications, and may cause problems.")));

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Please enter the path and filename of the application you want to add. "
                                             "Alternatively click the browse button and locate the application.")));
    layout->addLayout(fileRow);
    layout->addWidget(autoClose);
    layout->addStretch(1);
    return page;
}

QWidget *TAddEditAppForm::buildTimeZonePage()
{
    auto *page = new QWidget;
    m_alwaysRunsCheck = new QCheckBox(QStringLiteral("Application always runs"));
    connect(m_alwaysRunsCheck, &QCheckBox::toggled, this, &TAddEditAppForm::applyAlwaysRuns);
    m_startLabel = new QLabel(QStringLiteral("Start time :"));
    m_endLabel = new QLabel(QStringLiteral("End time :"));
    m_startHoursEdit = MakeTimeField(this, 23);
    m_startMinutesEdit = MakeTimeField(this, 59);
    m_endHoursEdit = MakeTimeField(this, 23);
    m_endMinutesEdit = MakeTimeField(this, 59);
    m_daysList = MakeTickList({QStringLiteral("Monday"), QStringLiteral("Tuesday"), QStringLiteral("Wednesday"),
                               QStringLiteral("Thursday"), QStringLiteral("Friday"), QStringLiteral("Saturday"),
                               QStringLiteral("Sunday")});
    m_daysList->setObjectName(QStringLiteral("DaysList"));
    m_daysList->setFixedWidth(m_daysList->fontMetrics().horizontalAdvance(QStringLiteral("Wednesday")) + 60);

    auto *times = new QGridLayout;
    times->addWidget(m_alwaysRunsCheck, 0, 0, 1, 2);
    times->addWidget(m_startLabel, 1, 0);
    times->addLayout(timeRow(m_startHoursEdit, m_startMinutesEdit), 1, 1);
    times->addWidget(m_endLabel, 2, 0);
    times->addLayout(timeRow(m_endHoursEdit, m_endMinutesEdit), 2, 1);
    times->setRowStretch(3, 1);

    auto *columns = new QHBoxLayout;
    columns->addLayout(times, 1);
    columns->addWidget(m_daysList);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Please set which days and the period of the day for which this "
                                             "application will be run when a session is opened.")));
    layout->addLayout(columns, 1);
    return page;
}

void TAddEditAppForm::prepare(int program)
{
    PROCEDURE_GUARD(m_ctx, "AddEditApp", "FormShow");
    m_program = program;
    m_pages->setCurrentIndex(0);
    if (program <= 0) {
        setWindowTitle(QStringLiteral("Add Application"));
        SetTickedRows(m_daysList, 0x7f);
        for (QLineEdit *edit : {m_startHoursEdit, m_startMinutesEdit, m_endHoursEdit, m_endMinutesEdit})
            edit->setText(QStringLiteral("00"));
        m_alwaysRunsCheck->setChecked(true);
        m_fileEdit->clear();
        m_autoCloseCheck->setChecked(false);
    } else {
        setWindowTitle(QStringLiteral("Edit Application"));
        const SessionProgram record = ReadProgramRecord(m_ctx.store, m_ctx.login.CurrentUser, program);
        m_fileEdit->setText(record.filename);
        m_autoCloseCheck->setChecked(record.autoProgramClose);
        SetTickedRows(m_daysList, record.days & 0x7f);
        m_startHoursEdit->setText(QString::asprintf("%.2d", record.startTime / 60));
        m_startMinutesEdit->setText(QString::asprintf("%.2d", record.startTime % 60));
        m_endHoursEdit->setText(QString::asprintf("%.2d", record.endTime / 60));
        m_endMinutesEdit->setText(QString::asprintf("%.2d", record.endTime % 60));
        m_alwaysRunsCheck->setChecked(record.useTimeZone != 1);
    }
    applyAlwaysRuns();
}

void TAddEditAppForm::applyAlwaysRuns()
{
    const bool always = m_alwaysRunsCheck->isChecked();
    SetTickListGreyed(m_daysList, always);
    for (QWidget *w : {static_cast<QWidget *>(m_startLabel), static_cast<QWidget *>(m_endLabel),
                       static_cast<QWidget *>(m_startHoursEdit), static_cast<QWidget *>(m_startMinutesEdit),
                       static_cast<QWidget *>(m_endHoursEdit), static_cast<QWidget *>(m_endMinutesEdit)})
        w->setEnabled(!always);
}

void TAddEditAppForm::onBrowseClicked()
{
    // Programs here are executable files, whatever their names end in.
    QFileDialog dialog(this, QStringLiteral("Add start-up program"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    const QFileInfo current(m_fileEdit->text());
    if (current.exists())
        dialog.setDirectory(current.absolutePath());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_fileEdit->setText(dialog.selectedFiles().constFirst());
}

void TAddEditAppForm::onOkClicked()
{
    for (QLineEdit *edit : {m_startHoursEdit, m_endHoursEdit})
        edit->setText(NormaliseTimeField(edit->text(), 23));
    for (QLineEdit *edit : {m_startMinutesEdit, m_endMinutesEdit})
        edit->setText(NormaliseTimeField(edit->text(), 59));
    ProgramEditorInput in;
    in.filename = m_fileEdit->text();
    in.autoClose = m_autoCloseCheck->isChecked();
    in.alwaysRuns = m_alwaysRunsCheck->isChecked();
    in.startHours = fieldValue(m_startHoursEdit);
    in.startMinutes = fieldValue(m_startMinutesEdit);
    in.endHours = fieldValue(m_endHoursEdit);
    in.endMinutes = fieldValue(m_endMinutesEdit);
    in.days = TickedRows(m_daysList);
    if (StoreProgram(m_ctx, m_program, in))
        accept();
}
