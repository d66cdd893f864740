// DIALOG and DIALOGEX templates: the dialog's place and size, its optional
// statements (STYLE, EXSTYLE, CAPTION, FONT, ...), and between BEGIN and END
// its controls, as CONTROL or as one of the usual control statements.
#include "afxwin.h"
#include "rc_internal.h"

namespace rc {
namespace {

// Every control is a visible child window before its own style is added.
constexpr uint32_t kChildVisible = WS_CHILD | WS_VISIBLE;

// The control statements other than CONTROL: the window class and style
// each stands for, and whether it starts with the control's text.
struct ControlKind {
    const char* className;
    uint32_t style;
    bool hasText;
};

const std::map<std::string, ControlKind>& ControlKinds() {
    static const std::map<std::string, ControlKind> kinds = {
        {"PUSHBUTTON", {"button", BS_PUSHBUTTON | WS_TABSTOP, true}},
        {"DEFPUSHBUTTON", {"button", BS_DEFPUSHBUTTON | WS_TABSTOP, true}},
        {"CHECKBOX", {"button", BS_CHECKBOX | WS_TABSTOP, true}},
        {"AUTOCHECKBOX", {"button", BS_AUTOCHECKBOX | WS_TABSTOP, true}},
        {"RADIOBUTTON", {"button", BS_RADIOBUTTON, true}},
        {"AUTORADIOBUTTON", {"button", BS_AUTORADIOBUTTON, true}},
        {"GROUPBOX", {"button", BS_GROUPBOX, true}},
        {"LTEXT", {"static", SS_LEFT | WS_GROUP, true}},
        {"RTEXT", {"static", SS_RIGHT | WS_GROUP, true}},
        {"CTEXT", {"static", SS_CENTER | WS_GROUP, true}},
        {"EDITTEXT", {"edit", ES_LEFT | WS_BORDER | WS_TABSTOP, false}},
    };
    return kinds;
}

}  // namespace

void StatementParser::Dialog(const Token& nameTok, bool extended) {
    RcDialog d;
    d.extended = extended;
    DialogId(d, nameTok);
    d.language = language_;
    SkipMemoryOptions();
    d.x = Coord();
    in_.Comma();
    d.y = Coord();
    in_.Comma();
    d.cx = Coord();
    in_.Comma();
    d.cy = Coord();
    if (extended && in_.AcceptPunct(",")) Int();  // help id
    d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    DialogOptions(d);
    in_.Skip();
    while (!in_.PeekEnd()) {
        if (in_.AtEnd()) in_.Fail("END expected: dialog " + std::to_string(d.id) + " is not closed");
        d.controls.push_back(Control(extended));
    }
    in_.Skip();
    script_.dialogs.push_back(std::move(d));
}

// The dialog's number, which no other dialog of the current language has.
void StatementParser::DialogId(RcDialog& d, const Token& nameTok) {
    d.id = nameTok.kind == Tok::Number ? static_cast<int>(nameTok.value) : static_cast<int>(eval_.Resolve(nameTok));
    if (d.id <= 0 || d.id > 0xFFFF) throw RcError(nameTok.file, nameTok.line, "dialog identifier out of range");
    for (const RcDialog& other : script_.dialogs)
        if (other.id == d.id && other.language == language_)
            throw RcError(nameTok.file, nameTok.line, "dialog " + std::to_string(d.id) + " defined twice");
}

// The statements between the dialog's size and its BEGIN. A caption adds
// WS_CAPTION to the style and a font DS_SETFONT, whatever STYLE says.
void StatementParser::DialogOptions(RcDialog& d) {
    bool hasCaption = false;
    bool hasFont = false;
    while (!in_.PeekBegin()) {
        const Token& t = in_.Next("BEGIN");
        if (t.kind != Tok::Ident) throw RcError(t.file, t.line, "BEGIN expected before '" + t.text + "'");
        if (t.text == "STYLE") {
            d.style = Style(0);
        } else if (t.text == "EXSTYLE") {
            d.exStyle = Style(0);
        } else if (t.text == "CAPTION") {
            d.caption = String("a caption");
            hasCaption = true;
        } else if (t.text == "FONT") {
            DialogFont(d);
            hasFont = true;
        } else if (t.text == "LANGUAGE") {
            d.language = Language();
        } else if (t.text == "CHARACTERISTICS" || t.text == "VERSION") {
            Int();
        } else {
            throw RcError(t.file, t.line, "dialog statement '" + t.text + "' is not supported");
        }
    }
    if (hasCaption) d.style |= WS_CAPTION;
    if (hasFont) d.style |= DS_SETFONT;
}

// FONT size, "face" and, in a DIALOGEX only, weight, italic, charset. The
// charset is read and dropped: the dialogs' fonts are looked up by face.
void StatementParser::DialogFont(RcDialog& d) {
    d.pointSize = Int();
    in_.Comma();
    d.faceName = String("a font name");
    if (d.extended && in_.AcceptPunct(",")) {
        d.weight = Int();
        if (in_.AcceptPunct(",")) {
            d.italic = Int() != 0;
            if (in_.AcceptPunct(",")) Int();
        }
    }
}

RcControl StatementParser::Control(bool extended) {
    const Token& kw = in_.Next("a control");
    if (kw.kind != Tok::Ident)
        throw RcError(kw.file, kw.line, "a control statement was expected, not '" + kw.text + "'");
    if (kw.text == "CONTROL") return GenericControl(extended);
    return StandardControl(kw, extended);
}

// CONTROL text, id, class, style, x, y, cx, cy [, exstyle [, help id]]; the
// style adds to WS_CHILD | WS_VISIBLE.
RcControl StatementParser::GenericControl(bool extended) {
    RcControl c;
    // The text is a string, or a resource number (the image of a picture control).
    if (!in_.AtEnd() && in_.Peek().kind != Tok::String) {
        const Token& at = in_.Peek();
        const int image = Int();
        if (image <= 0 || image > 0xFFFF)
            throw RcError(at.file, at.line, "a control's resource number must lie in 1..65535");
        c.imageId = image;
    } else {
        c.text = String("the control's text");
    }
    in_.Comma();
    c.id = Int();
    in_.Comma();
    c.className = ControlClass();
    in_.Comma();
    c.style = Style(kChildVisible);
    in_.Comma();
    Rect(c);
    if (in_.AcceptPunct(",")) {
        c.exStyle = Style(0);
        if (extended && in_.AcceptPunct(",")) Int();
    }
    return c;
}

// A window class in quotes, kept as written, or one of the predefined
// classes by name, which is kept in lower case.
std::string StatementParser::ControlClass() {
    static const std::set<std::string> predefined = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
    const Token& cls = in_.Next("a window class");
    if (cls.kind == Tok::String) return cls.text;
    if (cls.kind != Tok::Ident)
        throw RcError(cls.file, cls.line, "a window class was expected, not '" + cls.text + "'");
    const std::string lower = AsciiLower(cls.text);
    if (!predefined.count(lower)) throw RcError(cls.file, cls.line, "unknown control class '" + cls.text + "'");
    return lower;
}

// PUSHBUTTON, LTEXT, EDITTEXT and the like: [text,] id, x, y, cx, cy
// [, style [, exstyle [, help id]]]; the style given adds to the kind's own.
RcControl StatementParser::StandardControl(const Token& kw, bool extended) {
    const auto k = ControlKinds().find(kw.text);
    if (k == ControlKinds().end())
        throw RcError(kw.file, kw.line, "control statement '" + kw.text + "' is not supported");
    RcControl c;
    c.className = k->second.className;
    if (k->second.hasText) {
        c.text = String("the control's text");
        in_.Comma();
    }
    c.id = Int();
    in_.Comma();
    Rect(c);
    c.style = kChildVisible | k->second.style;
    if (in_.AcceptPunct(",")) {
        c.style = Style(c.style);
        if (in_.AcceptPunct(",")) {
            c.exStyle = Style(0);
            if (extended && in_.AcceptPunct(",")) Int();
        }
    }
    return c;
}

void StatementParser::Rect(RcControl& c) {
    c.x = Coord();
    in_.Comma();
    c.y = Coord();
    in_.Comma();
    c.cx = Coord();
    in_.Comma();
    c.cy = Coord();
}

}  // namespace rc
