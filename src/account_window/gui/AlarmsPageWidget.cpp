#include "account_window/gui/AlarmsPageWidget.h"

#include "account_window/gui/PageWidgets.h"
#include "alarms/AlarmList.h"
#include "core/AppContext.h"
#include "users/Users.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

AlarmsPageWidget::AlarmsPageWidget(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    m_model = new AlarmListModel(ctx, this);
    m_list = MakePageList(m_model, "AlarmListView");
    SetPageColumnWidths(m_list, &AlarmListModel::designWidth, AlarmListModel::ColumnCount);
    m_addButton = MakePageButton(QStringLiteral("&Add"), "AddAlarmButton");
    m_editButton = MakePageButton(QStringLiteral("&Edit"), "EditAlarmButton");
    m_removeButton = MakePageButton(QStringLiteral("&Remove"), "RemoveAlarmButton");
    connect(m_addButton, &QPushButton::clicked, this, &AlarmsPageWidget::onAddClicked);
    connect(m_editButton, &QPushButton::clicked, this, &AlarmsPageWidget::onEditClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &AlarmsPageWidget::onRemoveClicked);
    connect(m_list, &QTableView::doubleClicked, this, [this] {
        if (editingAllowed())
            onEditClicked();
    });

    m_listMenu = new QMenu(this);
    const auto item = [this](const QString &caption, const char *name, void (AlarmsPageWidget::*handler)()) {
        QAction *action = m_listMenu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, handler] {
            if (editingAllowed())
                (this->*handler)();
        });
    };
    item(QStringLiteral("&Add"), "AlarmAddItem", &AlarmsPageWidget::onAddClicked);
    item(QStringLiteral("&Edit"), "AlarmEditItem", &AlarmsPageWidget::onEditClicked);
    item(QStringLiteral("&Remove"), "AlarmRemoveItem", &AlarmsPageWidget::onRemoveClicked);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { m_listMenu->popup(m_list->viewport()->mapToGlobal(position)); });
    connect(&ctx.events, &EngineEvents::alarmListChanged, this, &AlarmsPageWidget::UpdateAlarmsList);

    auto *text = new QLabel(QStringLiteral("An alarm can be used to give reminders or set limts for online time, "
                                           "online cost etc. To add a new alarm press the add button."));
    text->setWordWrap(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {m_addButton, m_editButton, m_removeButton})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
}

void AlarmsPageWidget::UpdateAlarmsList()
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "UpdateAlarmsList");
    m_model->rebuild();
    SelectPageRow(m_list, m_model->rowCount() - 1);
}

void AlarmsPageWidget::clear()
{
    m_model->clear();
}

void AlarmsPageWidget::applyRestrictions()
{
    const bool allowed = editingAllowed();
    for (QPushButton *b : {m_addButton, m_editButton, m_removeButton})
        b->setVisible(allowed);
}

bool AlarmsPageWidget::editingAllowed() const
{
    return !RestrictionApplies(m_ctx, DisableAlarmEditing);
}

void AlarmsPageWidget::onAddClicked()
{
    Q_EMIT editorRequested(0);
}

void AlarmsPageWidget::onEditClicked()
{
    const int row = SelectedPageRow(m_list);
    if (row >= 0 && m_model->rowCount() > 0)
        Q_EMIT editorRequested(row + 1);
}

void AlarmsPageWidget::onRemoveClicked()
{
    const int row = SelectedPageRow(m_list);
    if (row >= 0)
        RemoveAlarm(m_ctx, row + 1);
}
