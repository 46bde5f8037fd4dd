#pragma once

#include <QWidget>

class QTextBrowser;
class QPushButton;

// The help window: the HTML help pages of the data directory, one page per
// topic keyword (<keyword>.html), with the contents page as fallback.
class THelpForm : public QWidget
{
    Q_OBJECT

public:
    explicit THelpForm(const QString &helpDirectory, QWidget *parent = nullptr);

    // Shows the page of a keyword ("IDH_login_window"); an unknown keyword
    // shows the contents page.
    void showTopic(const QString &keyword);

    // The page file of a keyword, or the contents page when it has none;
    // empty when there are no help pages at all.
    static QString topicFile(const QString &helpDirectory, const QString &keyword);

    QTextBrowser *HelpBrowser;
    QPushButton *ContentsButton;
    QPushButton *BackButton;
    QPushButton *CloseButton;

private:
    QString m_helpDirectory;
};
