#include "tariff/gui/EditorFields.h"

#include "tariff/DayTypes.h"

#include "core/Ui.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace {

class SelectAllFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            if (auto *edit = qobject_cast<QLineEdit *>(watched))
                // After the press has placed the caret, so the selection stays.
                QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        }
        return false;
    }
};

} // namespace

void SelectAllOnClick(QLineEdit *edit)
{
    edit->installEventFilter(new SelectAllFilter(edit));
}

QLineEdit *MakeTimeField(QWidget *owner, int maximum)
{
    auto *edit = new QLineEdit(QStringLiteral("00"), owner);
    edit->setMaxLength(2);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    SelectAllOnClick(edit);
    QObject::connect(edit, &QLineEdit::editingFinished, edit,
                     [edit, maximum] { edit->setText(NormaliseTimeField(edit->text(), maximum)); });
    return edit;
}

QListWidget *MakeTickList(const QStringList &rows)
{
    auto *list = new QListWidget;
    for (const QString &text : rows) {
        // Not user-checkable: the click on the row does the flipping, so a
        // click on the tick box itself does not flip it twice.
        auto *item = new QListWidgetItem(text, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    QObject::connect(list, &QListWidget::itemClicked, list, [](QListWidgetItem *item) {
        if (item->flags() & Qt::ItemIsEnabled)
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    return list;
}

int TickedRows(const QListWidget *list)
{
    int bits = 0;
    for (int i = 0; i < list->count() && i < 31; ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            bits |= 1 << i;
    return bits;
}

void SetTickedRows(QListWidget *list, int bits)
{
    for (int i = 0; i < list->count() && i < 31; ++i)
        list->item(i)->setCheckState(bits & (1 << i) ? Qt::Checked : Qt::Unchecked);
}

void SetTickListGreyed(QListWidget *list, bool greyed)
{
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        item->setFlags(greyed ? Qt::NoItemFlags : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
}

QDialogButtonBox *MakeEditorButtons(QDialog *editor, Ui &ui, const QString &helpTopic,
                                    const std::function<void()> &onOk, QPushButton **ok)
{
    auto *buttons = new QDialogButtonBox;
    QPushButton *okButton = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton *help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    okButton->setObjectName(QStringLiteral("OkButton"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton *b : {okButton, cancel, help})
        b->setAutoDefault(false);
    QObject::connect(okButton, &QPushButton::clicked, editor, onOk);
    QObject::connect(cancel, &QPushButton::clicked, editor, &QDialog::reject);
    QObject::connect(help, &QPushButton::clicked, editor, [&ui, helpTopic] { ui.showHelp(helpTopic); });
    if (ok)
        *ok = okButton;
    return buttons;
}
