// The open/save file dialog on a QFileDialog.
#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <optional>
#include <string>

#include "afx_qt.h"
#include "afxdlgs.h"
#include "test_hooks.h"

namespace {

// "Description|pattern;pattern|...||" to Qt's "Description (pattern pattern)" list.
// "*.*" means every file, as it does where the notation comes from. The
// dialog hides the parenthesised part it adds, so a filter reads exactly as
// its description.
QStringList QtFilters(const std::string& filter) {
    QStringList parts = QString::fromUtf8(filter.c_str()).split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    return result;
}

// The details' size, type and date columns in the program's language: the
// file system model writes them in the system locale's, and its folder and
// file types untranslated.
class ChineseDetails final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files) return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QFileInfo info = files->fileInfo(source);
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        switch (index.column()) {
        case 1:  // size: none for a folder
            if (info.isDir()) return QString();
            return chinese.formattedDataSize(info.size(), 1, QLocale::DataSizeTraditionalFormat);
        case 2: {  // type
            if (info.isDir()) return QString::fromUtf8("文件夹");
            const QString suffix = info.suffix().toUpper();
            return suffix.isEmpty() ? QString::fromUtf8("文件") : suffix + QString::fromUtf8(" 文件");
        }
        default:  // date modified
            return chinese.toString(info.lastModified(), QStringLiteral("yyyy/M/d H:mm"));
        }
    }
};

}  // namespace

INT_PTR CFileDialog::DoModal() {
    if (INT_PTR answered; AnsweredByTestHandler(&answered)) return answered;
    if (!QApplication::instance()) return IDCANCEL;
    AfxQtInitialize();
    // The dialog reads and writes its history, last folder and layout in
    // the user's settings; the programs keep none. It gets settings of its
    // own in a folder that goes with it (declared first, so gone last).
    QTemporaryDir scratch;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.path());
    QFileDialog dialog(AfxQtSafeOwner(m_pParent));
    // Qt's own dialog, whose texts follow the program's language rather
    // than the desktop's.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setProxyModel(new ChineseDetails(&dialog));
    // Wide and tall enough for the name, size, type and date columns.
    const QFontMetrics metrics(dialog.font());
    dialog.resize(std::max(dialog.sizeHint().width(), metrics.averageCharWidth() * 110),
                  std::max(dialog.sizeHint().height(), metrics.height() * 28));
    // Size, type and date as wide as what they show; the name takes the rest.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        for (int column = 0; column < header->count(); ++column)
            header->setSectionResizeMode(column, column == 0 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    }
    dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // Without "file must exist" a name may be typed that does not exist (yet).
    dialog.setFileMode((m_bOpen && (m_flags & OFN_FILEMUSTEXIST)) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!m_bOpen && !(m_flags & OFN_OVERWRITEPROMPT)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = QtFilters(m_filter.str());
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    const QString ext = QString::fromUtf8(m_defExt.str().c_str()).remove(QStringLiteral("*.")).remove(u'*');
    if (!ext.isEmpty() && !ext.contains(u'.')) dialog.setDefaultSuffix(ext);
    if (!m_fileName.IsEmpty()) dialog.selectFile(QString::fromUtf8(m_fileName.str().c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
    m_path = QFileInfo(dialog.selectedFiles().front()).absoluteFilePath().toUtf8().toStdString();
    return IDOK;
}
