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

    m_helpBrowser = new QTextBrowser(this);
    m_helpBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    m_helpBrowser->setOpenExternalLinks(true);
    m_helpBrowser->setSearchPaths({helpDirectory});

    m_contentsButton = new QPushButton(QStringLiteral("&Contents"), this);
    m_backButton = new QPushButton(QStringLiteral("&Back"), this);
    m_closeButton = new QPushButton(QStringLiteral("&Close"), this);
    m_contentsButton->setObjectName(QStringLiteral("ContentsButton"));
    m_backButton->setObjectName(QStringLiteral("BackButton"));
    m_closeButton->setObjectName(QStringLiteral("CloseButton"));
    m_backButton->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_contentsButton);
    buttons->addWidget(m_backButton);
    buttons->addStretch();
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_helpBrowser);

    connect(m_contentsButton, &QPushButton::clicked, this, [this] { showTopic(QString()); });
    connect(m_backButton, &QPushButton::clicked, m_helpBrowser, &QTextBrowser::backward);
    connect(m_helpBrowser, &QTextBrowser::backwardAvailable, m_backButton, &QPushButton::setEnabled);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
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
        m_helpBrowser->setHtml(QStringLiteral("<p>The help pages are missing from %1.</p>")
                                   .arg(QDir::toNativeSeparators(m_helpDirectory).toHtmlEscaped()));
        return;
    }
    m_helpBrowser->setSource(QUrl::fromLocalFile(file));
}


