#include "account_window/InformationForm.h"

#include "core/AppContext.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLabel *panelText(const QString &html)
{
    auto *label = new QLabel(html);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    label->setMargin(12);
    return label;
}

} // namespace

TInformationForm::TInformationForm(const AppContext &ctx, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InformationForm"));
    setWindowTitle(QStringLiteral("Tallyline Information"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tallyline.svg")));

    auto *layout = new QVBoxLayout(this);
    m_panels = new QTabWidget;
    m_panels->setObjectName(QStringLiteral("InformationPanels"));
    auto *picture = new QLabel;
    picture->setPixmap(QIcon(QStringLiteral(":/icons/tallyline.svg")).pixmap(48, 48));
    m_panels->addTab(panelText(QStringLiteral("<h3>Tallyline for Linux</h3><p>Version %1</p>"
                                              "<p>Tallyline notices when the computer goes online over a metered "
                                              "link, records each online period as a session and prices it second "
                                              "by second from your tariff.</p>")
                                   .arg(ctx.startup.versionText.toHtmlEscaped())),
                     QStringLiteral("About"));
    m_panels->addTab(panelText(QStringLiteral("<h3>Contact Information</h3>"
                                              "<p>Updates, tariff presets and help: "
                                              "<a href=\"https://tallyline.example.org/\">"
                                              "https://tallyline.example.org/</a></p>"
                                              "<p>Please send questions, faults and your tariffs to "
                                              "<a href=\"mailto:support@tallyline.example.org\">"
                                              "support@tallyline.example.org</a>.</p>")),
                     QStringLiteral("Contact Information"));
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(m_panels, 1);
    layout->addLayout(top);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 260);
}

void TInformationForm::showPanel(Panel panel)
{
    m_panels->setCurrentIndex(panel);
}
