#include "profilefilemenu.h"

#include "loginfo.h"
#include "profilepackage.h"

#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

ProfileFileMenu::ProfileFileMenu(const QList<QPushButton*>& buttons, QWidget* window) : QObject(window), m_window(window)
{
    for (int n = 0; n < buttons.size(); ++n) {
        QPushButton* button = buttons.at(n);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this, [this, n, button] { showMenu(n + 1, button); });
    }
}

void ProfileFileMenu::showMenu(int number, QPushButton* button)
{
    QMenu menu(m_window);
    const QString filter = tr("ZR540 配置文件 (*.zr540)");
    QAction* exportAction = menu.addAction(tr("导出配置文件…"));
    QAction* importAction = menu.addAction(tr("导入配置文件…"));
    QAction* chosen = menu.exec(button->mapToGlobal(button->rect().bottomLeft()));
    if (chosen == exportAction) {
        const QString suggested = QDir::home().filePath(QStringLiteral("ZR540-profile-%1.zr540").arg(number));
        const QString path = QFileDialog::getSaveFileName(m_window, tr("导出配置文件"), suggested, filter);
        if (!path.isEmpty())
            exportProfile(number, path);
    } else if (chosen == importAction) {
        const QString path = QFileDialog::getOpenFileName(m_window, tr("导入配置文件"), QDir::homePath(), filter);
        if (!path.isEmpty())
            importProfile(number, path);
    }
}

bool ProfileFileMenu::exportProfile(int number, const QString& path)
{
    if (ProfilePackage::exportTo(number, path))
        return true;
    loginfo(QStringLiteral("export of profile %1 to %2 failed").arg(number).arg(path));
    QMessageBox::warning(m_window, tr("导出配置文件"), tr("无法写入 %1。").arg(QDir::toNativeSeparators(path)));
    return false;
}

bool ProfileFileMenu::importProfile(int number, const QString& path)
{
    ProfilePackage::Content content;
    const ProfilePackage::Check check = ProfilePackage::readFile(path, content);
    if (check != ProfilePackage::Check::Ok) {
        loginfo(QStringLiteral("import of %1 refused: %2").arg(path, ProfilePackage::describe(check)));
        QMessageBox::warning(m_window, tr("导入配置文件"),
                             tr("%1 不是可用的配置文件（已截断、被修改、过大或版本不同），没有做任何更改。")
                                 .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (!ProfilePackage::install(content, number)) {
        QMessageBox::warning(m_window, tr("导入配置文件"), tr("无法保存配置%1。").arg(number));
        return false;
    }
    emit profileImported(number);
    if (!content.picture.isEmpty())
        emit pictureImported();
    return true;
}
