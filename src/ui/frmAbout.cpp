// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmAbout.h"

#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include "HandCursor.h"
#include "IconResources.h"
#include "SystemColours.h"
#include "TwipsLayout.h"
#include "modInternet.h"
#include "modTopMostWindow.h"

namespace {
constexpr const char* AppTitle = "Voltara";
constexpr int VersionMajor = VOLTARA_VERSION_MAJOR;
constexpr int VersionMinor = VOLTARA_VERSION_MINOR;
constexpr int VersionRevision = VOLTARA_VERSION_PATCH;

constexpr const char* MakerLine = "Quillfen Software";
constexpr const char* PostalAddress = "7 Tallow Lane, Brackenford\nQuillshire QF1 2AB, England";
constexpr const char* CopyrightLine = "Copyright (C) 2026 Quillfen";

QCursor HandCursor() {
    const QPixmap hand = QPixmap::fromImage(ReadImageResource(QString::fromLatin1(HandCursorResource), "xpm"));
    if (hand.isNull()) return QCursor(Qt::PointingHandCursor);
    return QCursor(hand, HandCursorHotSpotX, HandCursorHotSpotY);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(text);
    return label;
}

// A link's light blue covers the whole line as laid out: where a click opens it.
void LookLikeLink(QLabel* label, const QFont& font) {
    QFont link = font;
    link.setFamilies({QStringLiteral("MS Sans Serif"), font.family()});
    link.setPointSizeF(8.25);
    link.setBold(false);
    link.setUnderline(true);
    label->setFont(link);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    palette.setColor(QPalette::Window, QColor(192, 192, 255));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setCursor(HandCursor());
}
}  // namespace

frmAbout::frmAbout(QWidget* main, Launcher& launcher, MessageBoxes& boxes)
    : QDialog(main), main_(main), boxes_(boxes), launcher_(&launcher) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont standard = font();
    standard.setPointSizeF(8.25);
    setFont(standard);
    TwipsLayout layout(this);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    layout.Add(cmdOK, 1290, 2475, 1260, 345);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    lblTitle = MakeLabel(this, {}, "lblTitle");
    QFont title(QStringLiteral("Arial"));
    title.setPointSize(12);
    title.setBold(true);
    lblTitle->setFont(title);
    QPalette titlePalette = lblTitle->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(0, 0, 192));
    lblTitle->setPalette(titlePalette);
    layout.Add(lblTitle, 135, 105, 2970, 285);

    lblVersion = MakeLabel(this, {}, "lblVersion");
    layout.Add(lblVersion, 135, 540, 2520, 195);

    lblInfo[0] = MakeLabel(this, QString::fromLatin1(MakerLine), "lblInfo0");
    QFont maker = standard;
    maker.setFamilies({QStringLiteral("MS Sans Serif"), standard.family()});
    maker.setBold(true);
    lblInfo[0]->setFont(maker);
    layout.Add(lblInfo[0], 135, 1185, 1845, 195);

    lblEmail = MakeLabel(this, QStringLiteral("E-mail: ") + QString::fromLatin1(modInternet::MailAddress), "lblEmail");
    lblEmail->setAccessibleDescription(QStringLiteral("Writes a message to the maker"));
    layout.Add(lblEmail, 135, 1425, 1965, 195);
    LookLikeLink(lblEmail, standard);

    lblInfo[1] = MakeLabel(this, QString::fromLatin1(PostalAddress), "lblInfo1");
    lblInfo[1]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout.Add(lblInfo[1], 135, 1695, 3225, 405);
    for (QLabel* info : lblInfo) {
        QPalette palette = info->palette();
        palette.setColor(QPalette::WindowText, MenuTextColour());
        info->setPalette(palette);
    }

    lblWebsite =
        MakeLabel(this, QStringLiteral("Website: ") + QString::fromLatin1(modInternet::HomePage), "lblWebsite");
    lblWebsite->setAccessibleDescription(QStringLiteral("Opens the maker's home page"));
    layout.Add(lblWebsite, 135, 2100, 3450, 195);
    LookLikeLink(lblWebsite, standard);

    lblCopyright = MakeLabel(this, QString::fromLatin1(CopyrightLine), "lblCopyright");
    layout.Add(lblCopyright, 135, 855, 2475, 195);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setAccessibleName(QStringLiteral("Voltara icon"));
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setLineWidth(2);
    picIcon->setAlignment(Qt::AlignCenter);
    layout.Add(picIcon, 3210, 60, 540, 540);

    // The title and version come with the load; the layout fits them as well.
    Form_Load();
    layout.Apply(3840, 2910);
    // The icon fills the inside of its frame exactly, at any scale.
    picIcon->resize(QSize(32, 32) + QSize(2, 2) * picIcon->frameWidth());

    for (QLabel* link : {lblWebsite, lblEmail}) link->installEventFilter(this);
    cmdOK->setFocus();
    CenterOnScreen(this);
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + QString::fromLatin1(AppTitle));
    lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision));
    lblVersion->setAccessibleName(lblVersion->text());
    lblTitle->setText(QString::fromLatin1(AppTitle));
    lblTitle->setAccessibleName(lblTitle->text());
    const QIcon icon = ApplicationIcon();
    setWindowIcon(icon);
    picIcon->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));
    modTopMostWindow::SetForegroundWindow(this);
}

void frmAbout::Form_Unload() { modTopMostWindow::SetForegroundWindow(main_); }

void frmAbout::cmdOK_Click() { accept(); }

void frmAbout::done(int result) {
    QDialog::done(result);
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
}

void frmAbout::setLauncher(Launcher& launcher, const QString& tempFolder) {
    launcher_ = &launcher;
    tempFolder_ = tempFolder;
}

Launcher& frmAbout::launcher() { return *launcher_; }

void frmAbout::lblWebsite_Click() { modInternet::OpenHomePage({this, launcher(), boxes_, tempFolder_}); }

void frmAbout::lblEmail_Click() { modInternet::OpenMailProgram({this, launcher(), boxes_, tempFolder_}); }

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    // A click: the left button let go over the line it went down on.
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* label = qobject_cast<QLabel*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (label && mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
            if (label == lblWebsite)
                lblWebsite_Click();
            else if (label == lblEmail)
                lblEmail_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
