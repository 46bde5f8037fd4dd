#include "app/gui/MessageBoxUi.h"
#include "app/gui/Windows.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"
#include "users/LoginForm.h"
#include "users/Passwords.h"
#include "users/Users.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>

using testsupport::SessionFixture;

class TestLoginForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textsAndControls();
    void previousUserIsSelected_data();
    void previousUserIsSelected();
    void okLogsInAndCloses();
    void wrongPasswordKeepsTheDialogOpen();
    void wrongPasswordBoxComesAboveTheDialog();
    void helpAsksForItsTopic();
    void showLoginFormWindowRunsOneDialog();
};

namespace {

void seed(SessionFixture &f)
{
    f.addUser({QStringLiteral("Admin"), QStringLiteral("Secret")});
    f.addUser({QStringLiteral("Fred"), QStringLiteral("fred")});
    f.addUser({QStringLiteral("Jane"), QString()});
}

} // namespace

void TestLoginForm::textsAndControls()
{
    SessionFixture f;
    seed(f);
    TLoginForm form(f.ctx);
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallyline - User Login"));
    QCOMPARE(form.instructionsLabel()->text(), QStringLiteral("Please enter your user name and password. Please note "
                                                              "that all entries are case sensitive."));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!form.userNameCombo()->isEditable());
    QCOMPARE(form.passwordEdit()->echoMode(), QLineEdit::Password);
    QLineEdit *password = form.passwordEdit();
    QCOMPARE(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password), int('*'));
    QCOMPARE(form.okButton()->text(), QStringLiteral("&OK"));
    QVERIFY(form.okButton()->isDefault());
    QCOMPARE(form.cancelButton()->text(), QStringLiteral("&Cancel"));
    QCOMPARE(form.helpButton()->text(), QStringLiteral("&Help"));
}

void TestLoginForm::previousUserIsSelected_data()
{
    QTest::addColumn<int>("previousUser");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("passwordFocused");

    QTest::newRow("user 2") << 2 << "Fred" << true;
    QTest::newRow("user 3") << 3 << "Jane" << true;
    QTest::newRow("none") << 0 << "Admin" << false;
    QTest::newRow("beyond the users") << 4 << "Admin" << false;
}

void TestLoginForm::previousUserIsSelected()
{
    QFETCH(int, previousUser);
    QFETCH(QString, selected);
    QFETCH(bool, passwordFocused);
    SessionFixture f;
    seed(f);
    f.ctx.settings.PreviousUser = previousUser;
    TLoginForm form(f.ctx);
    form.passwordEdit()->setText(QStringLiteral("left over"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.userNameCombo()->count(), 3);
    QCOMPARE(form.userNameCombo()->itemText(0), QStringLiteral("Admin"));
    QCOMPARE(form.userNameCombo()->itemText(2), QStringLiteral("Jane"));
    QCOMPARE(form.userNameCombo()->currentText(), selected);
    QVERIFY(form.passwordEdit()->text().isEmpty());
    if (passwordFocused)
        QTRY_VERIFY(form.passwordEdit()->hasFocus());
}

void TestLoginForm::okLogsInAndCloses()
{
    SessionFixture f;
    seed(f);
    f.ctx.settings.PreviousUser = 2;
    TLoginForm form(f.ctx);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClicks(form.passwordEdit(), QStringLiteral("fred"));
    QTest::keyClick(form.passwordEdit(), Qt::Key_Return);  // &OK is the default button
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());
    QVERIFY(f.ctx.login.LoggedIn);
    QCOMPARE(f.ctx.login.CurrentUser, 2);
    QVERIFY(!f.ctx.login.AdminSession);
    QVERIFY(IsPasswordHash(f.userValue(2, "Password")));
}

void TestLoginForm::wrongPasswordKeepsTheDialogOpen()
{
    SessionFixture f;
    seed(f);
    TLoginForm form(f.ctx);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.userNameCombo()->setCurrentIndex(0);
    form.passwordEdit()->setText(QStringLiteral("secret"));
    QTest::mouseClick(form.okButton(), Qt::LeftButton);
    QVERIFY(form.isVisible());
    QVERIFY(!f.ctx.login.LoggedIn);
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("Password entered is incorrect for user Admin.")});

    form.passwordEdit()->setText(QStringLiteral("Secret"));
    QTest::mouseClick(form.okButton(), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QVERIFY(f.ctx.login.AdminSession);

    // Cancel just closes.
    TLoginForm again(f.ctx);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QTest::mouseClick(again.cancelButton(), Qt::LeftButton);
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QVERIFY(!again.isVisible());
}

// With the program's real boxes: the dialog stays on top of other windows,
// so its box must belong to it and stay on top too, or nobody sees it.
void TestLoginForm::wrongPasswordBoxComesAboveTheDialog()
{
    SessionFixture f;
    seed(f);
    MessageBoxUi boxes;
    AppContext ctx(f.store(), f.clock, boxes);
    ctx.settings = f.ctx.settings;
    ctx.login.PasswordCost = f.ctx.login.PasswordCost;
    TLoginForm form(ctx);

    QString text;
    QWidget *boxParent = nullptr;
    bool boxOnTop = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        text = box->text();
        boxParent = box->parentWidget();
        boxOnTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->button(QMessageBox::Ok)->click();
        form.reject();
    });
    QTimer::singleShot(0, &form, [&] {
        form.userNameCombo()->setCurrentIndex(0);
        form.passwordEdit()->setText(QStringLiteral("secret"));
        watch.start(10);
        form.okButton()->click();
    });
    form.exec();
    QCOMPARE(text, QStringLiteral("Password entered is incorrect for user Admin."));
    QCOMPARE(boxParent, &form);
    QVERIFY(boxOnTop);
}

void TestLoginForm::helpAsksForItsTopic()
{
    SessionFixture f;
    seed(f);
    TLoginForm form(f.ctx);
    form.show();
    QTest::mouseClick(form.helpButton(), Qt::LeftButton);
    QCOMPARE(f.ui.helpTopics, QStringList{QStringLiteral("IDH_login_window")});
    QVERIFY(form.isVisible());
}

void TestLoginForm::showLoginFormWindowRunsOneDialog()
{
    SessionFixture f;
    seed(f);
    // The program's own windows, with the tray on the simulated line.
    Windows windows(f.clock, QStringLiteral("simulated"));
    AppContext ctx(f.store(), f.clock, windows);
    ctx.settings = f.ctx.settings;
    ctx.login.PasswordCost = f.ctx.login.PasswordCost;
    ctx.startup.programDirectory = f.temp.dir.path() + QLatin1Char('/');
    ctx.settings.PreviousUser = 3;
    windows.startResidentShell(ctx);
    int nested = 0;
    // While the modal dialog runs: a second request only raises it, then
    // Jane (no password) logs in through it.
    QTimer::singleShot(0, [&] {
        auto *form = qobject_cast<TLoginForm *>(QApplication::activeModalWidget());
        QVERIFY(form);
        ShowLoginForm(ctx);
        QCOMPARE(windows.loginForm(), form);
        const QWidgetList topLevel = QApplication::topLevelWidgets();
        nested = int(std::count_if(topLevel.begin(), topLevel.end(),
                                   [](QWidget *w) { return qobject_cast<TLoginForm *>(w) != nullptr; }));
        QTest::mouseClick(form->okButton(), Qt::LeftButton);
    });
    ShowLoginForm(ctx);
    QCOMPARE(nested, 1);
    QVERIFY(ctx.login.LoggedIn);
    QCOMPARE(ctx.login.CurrentUser, 3);
    QVERIFY(!windows.loginForm());
}

TALLYLINE_TEST_MAIN(TestLoginForm)
#include "TestLoginForm.moc"
