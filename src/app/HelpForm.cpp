#include "app/HelpForm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString ContentsPage = QStringLiteral("index.html");


// Only plain keywords name a page: no way out of the help directory.
bool isPlainKeyword(const QString &keyword)
{
    if (keyword.isEmpty())
        return false;
    for (const QChar c : keyword)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-')))
            return false;
    return true;
}

} // namespace

THelpForm::THelpForm(const QString &helpDirectory, QWidget *parent)
    : QWidget(parent, Qt::Window), m_helpDirectory(helpDirectory)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Tallyline Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(560, 600);

    HelpBrowser = new QTextBrowser(this);
    HelpBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    HelpBrowser->setOpenExternalLinks(true);
    HelpBrowser->setSearchPaths({helpDirectory});

    ContentsButton = new QPushButton(QStringLiteral("&Contents"), this);
    BackButton = new QPushButton(QStringLiteral("&Back"), this);
    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    BackButton->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ContentsButton);
    buttons->addWidget(BackButton);
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(HelpBrowser);

    connect(ContentsButton, &QPushButton::clicked, this, [this] { showTopic(QString()); });
    connect(BackButton, &QPushButton::clicked, HelpBrowser, &QTextBrowser::backward);
    connect(HelpBrowser, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

QString THelpForm::topicFile(const QString &helpDirectory, const QString &keyword)
{
    const QDir dir(helpDirectory);
    if (isPlainKeyword(keyword)) {
        const QString page = dir.filePath(keyword + QStringLiteral(".html"));
        if (QFileInfo(page).isFile())
            return page;
    }
    const QString contents = dir.filePath(ContentsPage);
    return QFileInfo(contents).isFile() ? contents : QString();
}

void THelpForm::showTopic(const QString &keyword)
{
    const QString file = topicFile(m_helpDirectory, keyword);
    if (file.isEmpty()) {
        HelpBrowser->setHtml(QStringLiteral("<p>The help pages are missing from %1.</p>")
                                 .arg(QDir::toNativeSeparators(m_helpDirectory).toHtmlEscaped()));
        return;
    }
    HelpBrowser->setSource(QUrl::fromLocalFile(file));
}


