// SPDX-License-Identifier: GPL-3.0-or-later
#include "modInternet.h"

#include <QDir>
#include <QTemporaryFile>
#include <QUrl>
#include <QWidget>

namespace modInternet {

namespace {

// The lookup goes by a document of the browser's type; its contents do not matter.
constexpr char DocumentLine[] = "\"<HTML> <\\HTML>\"\r\n";

struct Texts {
    QString noDocument;
    QString notFound;
    QString failed;
};

// find is the lookup of what opens the argument: Launcher::FindExecutable for a web page,
// Launcher::FindMailProgram for mail.
void Launch(const Context& context, QString (Launcher::*find)(const QString&), const QString& argument,
            const Texts& texts) {
    const auto tell = [&](const QString& title, const QString& text) {
        context.messageBoxes.Show(context.owner, title, text, MessageBoxes::Icon::Exclamation);
    };
    const QString folder = context.tempFolder.isEmpty() ? QDir::tempPath() : context.tempFolder;
    // Created exclusively under a fresh name, readable by the user alone: a fixed name
    // in a shared folder could be a link planted by someone else.
    QTemporaryFile document(QDir(folder).filePath(QStringLiteral("temphtm-XXXXXX.HTM")));
    const qint64 length = qint64(sizeof DocumentLine) - 1;
    if (!document.open() || document.write(DocumentLine, length) != length || !document.flush()) {
        tell(QStringLiteral("Browser Not Found"), texts.noDocument);
        return;  // a half-made document goes with the QTemporaryFile
    }
    document.close();

    const QString program = (context.launcher.*find)(document.fileName());
    // ShellExecuteA's owner: the window of the dialog that asks.
    const WId owner = context.owner ? context.owner->window()->winId() : 0;
    if (program.isEmpty())
        tell(QStringLiteral("Browser Not Found"), texts.notFound);
    else if (!context.launcher.Start(program, argument, owner))
        tell(QStringLiteral("URL Failed"), texts.failed);
    document.remove();
}

}  // namespace

QString HomePageWithoutScheme() {
    const QUrl url(QString::fromLatin1(HomePage));
    return url.host() + url.path();
}

void OpenHomePage(const Context& context) {
    Launch(context, &Launcher::FindExecutable, HomePageWithoutScheme(),
           {QStringLiteral("Could not create a temporary file to find the default Internet Browser."),
            QStringLiteral("Could not find default Internet Browser"),
            QStringLiteral("Attemp failed. Homepage ") + QString::fromLatin1(HomePage) +
                QStringLiteral(" cannot be opened")});
}

void OpenMailProgram(const Context& context) {
    Launch(context, &Launcher::FindMailProgram, QStringLiteral("mailto:") + QString::fromLatin1(MailAddress),
           {QStringLiteral("Could not create a temporary file to find the default E-mail program."),
            QStringLiteral("Could not find default E-mail program"),
            QStringLiteral("Attemp failed. Default E-mail program cannot be opened")});
}

}  // namespace modInternet
