#include "platformui/PlatformServices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

TPlatformServices &realServices()
{
    static TPlatformServices services;
    return services;
}

TPlatformServices *s_current = nullptr;

QString runFileDialog(QWidget *owner, QFileDialog::AcceptMode mode, const QString &title,
                      const QString &filter, const QString &defaultSuffix, const QString &fileName)
{
    QFileDialog dialog(owner, title, QString(), filter);
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    const int result = dialog.exec();
    // Without a window manager nobody hands the keyboard back to the owner once the dialog
    // is gone: it would stay with the root window, and Esc or typing would do nothing.
    if (owner) owner->window()->activateWindow();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void TPlatformServices::errorBox(QWidget *owner, const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

void TPlatformServices::openUrl(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address));
}

QString TPlatformServices::getOpenFileName(QWidget *owner, const QString &title,
                                           const QString &filter, const QString &defaultSuffix)
{
    return runFileDialog(owner, QFileDialog::AcceptOpen, title, filter, defaultSuffix, {});
}

QString TPlatformServices::getSaveFileName(QWidget *owner, const QString &title,
                                           const QString &filter, const QString &defaultSuffix,
                                           const QString &fileName)
{
    return runFileDialog(owner, QFileDialog::AcceptSave, title, filter, defaultSuffix, fileName);
}

TPlatformServices &platformServices()
{
    return s_current ? *s_current : realServices();
}

TPlatformServices *setPlatformServices(TPlatformServices *services)
{
    TPlatformServices *previous = s_current;
    s_current = services;
    return previous;
}
