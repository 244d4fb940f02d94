// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls and look. The layout is drawn in twips on a fixed
// client area; 15 twips make one logical pixel, and Qt scales logical pixels
// with the screen by itself.

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QValidator>
#include <cmath>
#include <variant>

#include "app/Accessibility.h"
#include "app/FolderList.h"
#include "app/Form1.h"
#include "app/Logo.h"
#include "app/SettingGrid.h"
#include "settings/SettingWrite.h"

namespace {

int tw(int twips) { return int(std::lround(twips / 15.0)); }

QRect twRect(int left, int top, int width, int height) {
    return {tw(left), tw(top), tw(width), tw(height)};
}

const QColor kReadOutBack(255, 255, 192);
const QColor kEntryBack(192, 255, 255);

constexpr int kBoxW = 615, kBoxH = 420;
constexpr int kLineH = 255;
// Captions end 105 twips left of their box; widths fit the longest caption
// and keep clear of the frame lines at x 3720 and 7680.
constexpr int kReadCaptionRight = 5415, kReadCaptionW = 1575;
constexpr int kWriteCaptionRight = 9495, kWriteCaptionW = 1695;
constexpr int kHintW = 1395;

// The layout was drawn for fonts that Linux rarely has; map them to
// metric-compatible families so the captions keep fitting their boxes.
void registerFontFallbacks() {
    const QStringList fallbacks{"Liberation Sans", "DejaVu Sans", "Nimbus Sans"};
    QFont::insertSubstitutions("MS Sans Serif", fallbacks);
    QFont::insertSubstitutions("Arial", fallbacks);
}

QFont makeFont(const char* family, qreal points, bool bold = false) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void setColour(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(role, colour);  // every colour group, so disabled boxes keep it too
    w->setPalette(pal);
}

// Captions of the layout's buttons are allowed to run over two lines
// ("Scan For Comm Ports" in its narrow, tall button), which QPushButton
// won't do by itself.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        p.drawControl(QStyle::CE_PushButton, option);
        const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) / 2;
        QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        area.adjust(margin, 0, -margin, 0);
        if (isDown() || isChecked())
            area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                           style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
        p.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
                       isEnabled(), caption, QPalette::ButtonText);
    }
};

// Limits what the user types or pastes into a box to `limit` characters, as a
// length limit would, but leaves text the program sets whole: a folder chosen in
// the list keeps its full path however deep it is. A box already longer than the
// limit can be shortened, and takes nothing more.
class TypingLimit : public QValidator {
public:
    TypingLimit(QLineEdit* box, int limit) : QValidator(box), m_box(box), m_limit(limit)
    {
        m_before = box->text();
        connect(box, &QLineEdit::textChanged, this, [this](const QString& t) { m_before = t; });
    }
    State validate(QString& input, int& pos) const override
    {
        // The box counts as modified only while the user edits it; setText()
        // resets that before it asks.
        const qsizetype allowed = qMax<qsizetype>(m_limit, m_before.size());
        if (!m_box->isModified() || input.size() <= allowed)
            return Acceptable;
        // The inserted text ends at the cursor: keep its head, as a length
        // limit does with a paste that doesn't fit.
        const qsizetype excess = input.size() - allowed;
        const qsizetype from = qMax<qsizetype>(0, pos - excess);
        input.remove(from, excess);
        pos = int(from);
        // Nothing of it fitted: refuse the keystroke, so the text doesn't change.
        return input == m_before ? Invalid : Acceptable;
    }

private:
    QLineEdit* m_box;
    int m_limit;
    QString m_before;
};

template <class W, class Created = W>
W* place(Form1& form, W*& member, const char* name, const QRect& geometry) {
    member = new Created(&form);
    member->setObjectName(QString::fromLatin1(name));
    member->setGeometry(geometry);
    return member;
}

void label(Form1& form, QLabel*& member, const char* name, const char* text, const QRect& r,
           Qt::Alignment horizontal = Qt::AlignLeft) {
    auto* l = place(form, member, name, r);
    l->setTextFormat(Qt::PlainText);
    l->setText(QString::fromLatin1(text));
    l->setAlignment(horizontal | Qt::AlignTop);
}

enum class BoxKind { ReadOut, Entry };

QLineEdit* valueBox(QLineEdit* e, BoxKind kind, const QFont& f, int maxLength = 0) {
    e->setText(QStringLiteral("Text1"));
    e->setAlignment(Qt::AlignCenter);
    e->setFont(f);
    setColour(e, QPalette::Base, kind == BoxKind::ReadOut ? kReadOutBack : kEntryBack);
    setColour(e, QPalette::Text, Qt::black);
    e->setReadOnly(kind == BoxKind::ReadOut);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

// A control made from data alone. Labels, check boxes and buttons show their
// text; a label without one shows a picture. Where a control needs more than
// that, `finish` gives it the rest as soon as it is made.
using Member = std::variant<QLabel* Form1::*, QCheckBox* Form1::*, QPushButton* Form1::*,
                            QLineEdit* Form1::*, QComboBox* Form1::*, FolderList* Form1::*,
                            QPlainTextEdit* Form1::*>;
struct Control {
    Member member;
    const char* name;
    QRect twips;  // left, top, width, height
    const char* text = nullptr;
    Qt::Alignment align = Qt::AlignLeft;  // of a label's text
    void (*finish)(Form1&) = nullptr;
};
#define C(x) .member = &Form1::x, .name = #x

template <class... Kinds>
struct Overloaded : Kinds... {
    using Kinds::operator()...;
};

void make(Form1& form, const Control& c) {
    const QRect r = twRect(c.twips.x(), c.twips.y(), c.twips.width(), c.twips.height());
    const QString text = QString::fromLatin1(c.text);
    std::visit(Overloaded{
                   [&](QLabel* Form1::*m) {
                       if (c.text)
                           label(form, form.*m, c.name, c.text, r, c.align);
                       else
                           place(form, form.*m, c.name, r);
                   },
                   [&](QCheckBox* Form1::*m) { place(form, form.*m, c.name, r)->setText(text); },
                   [&](QPushButton* Form1::*m) {
                       auto* b = place<QPushButton, WrappingButton>(form, form.*m, c.name, r);
                       b->setText(text);
                       b->setAutoDefault(false);
                   },
                   [&](auto m) { place(form, form.*m, c.name, r); },
               },
               c.member);
    if (c.finish)
        c.finish(form);
}

void bigTitle(Form1& f) {
    f.Label3->setFont(makeFont("Arial", 12));
    setColour(f.Label3, QPalette::WindowText, QColor(0, 0, 255));
}

void directoryBox(Form1& f) {
    f.txtDirectory->setText(QStringLiteral("c:\\Orvane Kit\\"));
    f.txtDirectory->setValidator(new TypingLimit(f.txtDirectory, 120));
    f.txtDirectory->setToolTip(QStringLiteral("Directory location for the sound files"));
    setColour(f.txtDirectory, QPalette::Base, kEntryBack);
    setColour(f.txtDirectory, QPalette::Text, Qt::black);
}

void portList(Form1& f) {
    f.Combo1->setEditable(true);
    // The typed text itself selects the port: no completion, no re-casing,
    // and Enter doesn't add it to the list.
    f.Combo1->setCompleter(nullptr);
    f.Combo1->setInsertPolicy(QComboBox::NoInsert);
    f.Combo1->setEditText(QStringLiteral("Combo1"));
}

void failureText(Form1& f) {
    f.lblCommFail->setFont(makeFont("Arial", 12));
    f.lblCommFail->setWordWrap(true);
    setColour(f.lblCommFail, QPalette::WindowText, QColor(255, 0, 0));
}

void logBox(Form1& f) {
    f.txtStatusMessages->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    f.txtStatusMessages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setColour(f.txtStatusMessages, QPalette::Base, Qt::white);
    setColour(f.txtStatusMessages, QPalette::Text, Qt::black);
    f.txtStatusMessages->setPlainText(QStringLiteral("Text1"));
}

// Top to bottom and left to right within each part, in the order they are
// made, which is the order a screen reader lists them in.
const Control kAboveGrid[] = {
    {C(Label3), .twips = {4320, 0, 6975, 375}, .text = "Corvale ZT870K VLQ Message Programmer",
     .finish = bigTitle},
    // Message panel
    {C(Label2), .twips = {1320, 360, 1575, kLineH}, .text = "Message Selection"},
    {C(txtDirectory), .twips = {240, 600, 3375, 315}, .finish = directoryBox},
    {C(lblMessageDirectory), .twips = {840, 960, 2175, kLineH},
     .text = "Message Directory Location", .align = Qt::AlignRight},
    {C(chkMsg1), .twips = {240, 1320, 1215, kLineH}, .text = "Local Msg"},
    {C(lblMsg1Sec), .twips = {1680, 1320, 2055, kLineH}, .text = "lblMsg1Sec"},
    {C(chkMsg2), .twips = {240, 1680, 1215, kLineH}, .text = "Radio Msg"},
    {C(lblMsg2Sec), .twips = {1680, 1680, 2055, kLineH}, .text = "lblMsg2Sec"},
    {C(chkMsg6), .twips = {240, 2040, 1335, 315}, .text = "Low Battery"},
    {C(lblMsg6Sec), .twips = {1680, 2040, 2055, kLineH}, .text = "lblMsg6Sec"},
    {C(Command3), .twips = {240, 2880, 3135, 615}, .text = "PROGRAM MESSAGES",
     .finish = [](Form1& f) { f.Command3->setFont(makeFont("Arial", 12)); }},
    {C(Label30), .twips = {840, 3840, 2175, 495},
     .text = "Message Directory Location (Double-Click to Select)", .align = Qt::AlignHCenter,
     .finish = [](Form1& f) { f.Label30->setWordWrap(true); }},
    {C(Dir1), .twips = {360, 4440, 3015, 1890}},
    // Ports and exit
    {C(Label25), .twips = {120, 6600, 1575, kLineH}, .text = "Available Comm Ports",
     .align = Qt::AlignRight},
    {C(Combo1), .twips = {240, 6960, 1335, 315}, .finish = portList},
    {C(cmdScanForPorts), .twips = {1920, 6960, 1455, 615}, .text = "Scan For Comm Ports"},
    {C(cmdExitButton), .twips = {120, 7560, 1335, 375}, .text = "Exit"},
    // Settings grid headers
    {C(Label8), .twips = {7920, 360, 1455, kLineH}, .text = "EEProm Values",
     .align = Qt::AlignHCenter},
    {C(Label19), .twips = {5160, 600, 1215, kLineH}, .text = "Read Variables",
     .align = Qt::AlignRight},
    {C(Label20), .twips = {9240, 600, 1215, kLineH}, .text = "Write Variables",
     .align = Qt::AlignRight},
};

const Control kBelowGrid[] = {
    {C(cmdReadValues), .twips = {4440, 6000, 2895, 375}, .text = "READ ALL VALUES"},
    {C(lblISDInfo3), .twips = {7920, 5640, 6015, kLineH},
     .text = "Note: ISD MASTER Volume will change both the local speaker and RF radio volume."},
    {C(lblSoftwareVersion), .twips = {3720, 7560, 1935, kLineH}, .text = "ZT870K Software Version",
     .align = Qt::AlignRight},
    {C(txtSoftwareVersion), .twips = {5760, 7440, 1335, 345}, .finish = [](Form1& f) {
         valueBox(f.txtSoftwareVersion, BoxKind::ReadOut, makeFont("MS Sans Serif", 9.75));
     }},
    // Bottom strip
    {C(lblCommFail), .twips = {120, 8160, 6855, 1215}, .text = "Label8", .finish = failureText},
    {C(Image1), .twips = {0, 9360, 5565, 690},
     .finish = [](Form1& f) { f.Image1->setPixmap(ProgrammerLogo(f.devicePixelRatioF())); }},
    {C(Label1), .twips = {9960, 8160, 1455, kLineH}, .text = "  Status Messages"},
    {C(txtStatusMessages), .twips = {7080, 8520, 7095, 1455}, .finish = logBox},
    {C(Label26), .twips = {13440, 8160, 1095, kLineH}, .text = "zt870k_v112"},
};
#undef C

// A one-line hint sits level with the caption; a two-line hint fills the row.
void hints(Form1& form, const Hint (&pair)[2], int left, int top) {
    const bool twoLines = pair[1].label.member != nullptr;
    for (int i = 0; i < 2 && pair[i].label.member; ++i) {
        const int y = twoLines ? top + 240 * i : top + 120;
        label(form, form.*pair[i].label.member, pair[i].label.name, pair[i].text,
              twRect(left, y, kHintW, kLineH));
    }
}

// One setting: read caption, read-out box and hints, then write caption,
// entry box, hints and button.
void gridRow(Form1& form, int r) {
    const GridRow& row = kSettingGrid[r];
    const int t = row.top;
    const QFont boxFont = makeFont("MS Sans Serif", row.boxPoints, true);
    label(form, form.*row.readCaption.member, row.readCaption.name, row.readCaptionText,
          twRect(kReadCaptionRight - kReadCaptionW, t + 120, kReadCaptionW, kLineH),
          Qt::AlignRight);
    valueBox(place(form, form.*row.readBox.member, row.readBox.name, twRect(5520, t, kBoxW, kBoxH)),
             BoxKind::ReadOut, boxFont);
    hints(form, row.readHints, 6240, t);
    label(form, form.*row.writeCaption.member, row.writeCaption.name, row.writeCaptionText,
          twRect(kWriteCaptionRight - kWriteCaptionW, t + 120, kWriteCaptionW, kLineH),
          Qt::AlignRight);
    QLineEdit* entry =
        valueBox(place(form, form.*row.entryBox.member, row.entryBox.name, twRect(9600, t, kBoxW, kBoxH)),
                 BoxKind::Entry, boxFont, row.maxLength);
    if (row.entryTip)
        entry->setToolTip(QString::fromLatin1(row.entryTip));
    hints(form, row.writeHints, 10320, t);
    make(form, {.member = row.writeButton.member, .name = row.writeButton.name,
                .twips = {11760, t, 2295, 375}, .text = kSettingWrites[r].idleCaption});
}

struct FrameLine {
    QPoint from, to;
};

const FrameLine kFrameLines[] = {
    // Message panel; its header interrupts the top line.
    {.from = {120, 480}, .to = {1200, 480}},
    {.from = {2880, 480}, .to = {3720, 480}},
    {.from = {120, 480}, .to = {120, 6480}},
    {.from = {120, 6480}, .to = {3720, 6480}},
    // Settings grid; "EEProm Values" interrupts the top line. x 3720 is shared
    // with the panel and runs on down to the bottom strip.
    {.from = {3720, 480}, .to = {7920, 480}},
    {.from = {9360, 480}, .to = {14160, 480}},
    {.from = {3720, 480}, .to = {3720, 8040}},
    {.from = {7680, 840}, .to = {7680, 8040}},
    {.from = {14160, 840}, .to = {14160, 8040}},
    // Software version row and bottom strip.
    {.from = {3720, 7200}, .to = {14160, 7200}},
    {.from = {0, 8040}, .to = {14670, 8040}},
};

}  // namespace

void Form1::BuildControls() {
    registerFontFallbacks();
    setWindowTitle(QStringLiteral("Corvale ZT870K VLQ Message Programmer"));
    setFixedSize(tw(14670), tw(10080));
    // Everything without a font of its own uses the dialog font the layout was
    // drawn for, a notch smaller: its substitutes run wider than the original,
    // and at 8 pt "Available Comm Ports" and the ISD note overflow their labels.
    setFont(makeFont("MS Sans Serif", 7.5));

    for (const Control& c : kAboveGrid)
        make(*this, c);
    for (int r = 0; r < kSettingRowCount; ++r)
        gridRow(*this, r);
    for (const Control& c : kBelowGrid)
        make(*this, c);
    SetUpKeyboardAndNames(*this);
}

void Form1::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setPen(QPen(Qt::darkGray, 0));  // cosmetic: one device pixel at any scale
    for (const FrameLine& l : kFrameLines)
        p.drawLine(tw(l.from.x()), tw(l.from.y()), tw(l.to.x()), tw(l.to.y()));
}
