// The controls of a dialog, made from the items of its template: push
// buttons, texts, pictures, single-line edits and the tree control.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "dib.h"
#include "dlgtemplate.h"
#include "qt_dialog.h"
#include "qt_internal.h"
#include "qt_tree.h"

namespace {

bool SameClass(const char* a, const char* b) { return QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0; }

// Text of a static control: '&' marks an access key unless SS_NOPREFIX; "&&" is a '&'.
QString StaticText(const char* text, DWORD style) {
    QString s = FromUtf8(text);
    if (style & SS_NOPREFIX) return s;
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}

// Each maker below returns the control's widget, or null with the reason in *error.

QWidget* MakeButton(const DlgItemTemplate& item, QWidget* parent, QString* error) {
    const DWORD type = item.style & BS_TYPEMASK;
    if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) {
        *error = QStringLiteral("button type %1 not supported").arg(type);
        return nullptr;
    }
    auto* button = new QPushButton(FromUtf8(item.text), parent);
    // Which button looks like the default one is the dialog's to say
    // (DialogWidget::ShowDefaultButton), and so is what Enter does.
    button->setAutoDefault(false);
    button->setDefault(type == BS_DEFPUSHBUTTON);
    return button;
}

// A picture: the bitmap resource the template names instead of a text.
QWidget* MakePicture(const DlgItemTemplate& item, QWidget* parent, QString* error) {
    const FileResource* bitmap = item.imageId ? AfxFindBitmapResource(static_cast<unsigned>(item.imageId)) : nullptr;
    DecodedImage decoded;
    std::string reason;
    if (!bitmap || !DecodeBmpFile(bitmap->data, bitmap->size, &decoded, &reason)) {
        *error = bitmap ? QStringLiteral("bitmap %1: %2").arg(item.imageId).arg(QString::fromStdString(reason))
                        : QStringLiteral("no bitmap %1").arg(item.imageId);
        return nullptr;
    }
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap::fromImage(ToQImage(decoded)));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* MakeText(const DlgItemTemplate& item, QWidget* parent, QString* error) {
    const DWORD type = item.style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) {
        *error = QStringLiteral("static type %1 not supported").arg(type);
        return nullptr;
    }
    auto* label = new QLabel(StaticText(item.text, item.style), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    const Qt::Alignment h = type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
    label->setAlignment(h | Qt::AlignTop);
    return label;
}

QWidget* MakeEdit(const DlgItemTemplate& item, QWidget* parent, QString* error) {
    const DWORD style = item.style;
    if (style & ES_MULTILINE) {
        *error = QStringLiteral("multi-line edit not supported");
        return nullptr;
    }
    auto* edit = new QLineEdit(FromUtf8(item.text), parent);
    edit->setFrame((style & WS_BORDER) != 0 || (item.exStyle & WS_EX_CLIENTEDGE) != 0);
    edit->setReadOnly((style & ES_READONLY) != 0);
    if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// The widget of a control whose window record is a plain HWND__.
QWidget* MakeWidget(const DlgItemTemplate& item, QWidget* parent, QString* error) {
    if (SameClass(item.className, "button")) return MakeButton(item, parent, error);
    if (SameClass(item.className, "static"))
        return (item.style & SS_TYPEMASK) == SS_BITMAP ? MakePicture(item, parent, error)
                                                       : MakeText(item, parent, error);
    if (SameClass(item.className, "edit")) return MakeEdit(item, parent, error);
    *error = QStringLiteral("control class \"%1\" not supported").arg(QString::fromUtf8(item.className));
    return nullptr;
}

}  // namespace

std::unique_ptr<HWND__> MakeControl(const DlgItemTemplate& item, QWidget* parent, QString* error) {
    std::unique_ptr<HWND__> window;
    if (SameClass(item.className, "SysTreeView32")) {
        // The tree control's record makes its own view.
        window = std::make_unique<TreeWindow>(item.style, parent);
    } else if (QWidget* made = MakeWidget(item, parent, error)) {
        window = std::make_unique<HWND__>();
        window->widget = made;
    } else {
        return nullptr;
    }
    const DWORD style = item.style;
    QWidget* w = window->widget;
    window->id = item.id;
    w->setObjectName(QStringLiteral("ctl_%1").arg(item.id));
    w->setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
    w->setEnabled((style & WS_DISABLED) == 0);
    w->setVisible((style & WS_VISIBLE) != 0);
    return window;
}

bool IsDefaultPushButton(const DlgItemTemplate& item) {
    return SameClass(item.className, "button") && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}
