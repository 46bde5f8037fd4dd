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

    QTextBrowser *helpBrowser() const { return m_helpBrowser; }
    QPushButton *contentsButton() const { return m_contentsButton; }
    QPushButton *backButton() const { return m_backButton; }
    QPushButton *closeButton() const { return m_closeButton; }

private:
    QString m_helpDirectory;
    QTextBrowser *m_helpBrowser = nullptr;
    QPushButton *m_contentsButton = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};
