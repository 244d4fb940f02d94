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

#include "app/Accessibility.h"
#include "app/FolderList.h"
#include "app/Form1.h"
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
W* place(Form1* form, W*& member, const char* name, const QRect& geometry) {
    member = new Created(form);
    member->setObjectName(QString::fromLatin1(name));
    member->setGeometry(geometry);
    return member;
}

QLabel* label(Form1* form, QLabel*& member, const char* name, const char* text, const QRect& r,
              Qt::Alignment horizontal = Qt::AlignLeft) {
    auto* l = place(form, member, name, r);
    l->setTextFormat(Qt::PlainText);
    l->setText(QString::fromLatin1(text));
    l->setAlignment(horizontal | Qt::AlignTop);
    return l;
}

QPushButton* button(Form1* form, QPushButton*& member, const char* name, const char* text,
                    const QRect& r) {
    auto* b = place<QPushButton, WrappingButton>(form, member, name, r);
    b->setText(QString::fromLatin1(text));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* check(Form1* form, QCheckBox*& member, const char* name, const char* text,
                 const QRect& r) {
    auto* c = place(form, member, name, r);
    c->setText(QString::fromLatin1(text));
    return c;
}

enum class BoxKind { ReadOut, Entry };

QLineEdit* valueBox(Form1* form, QLineEdit*& member, const char* name, BoxKind kind,
                    const QRect& r, const QFont& f, int maxLength = 0) {
    auto* e = place(form, member, name, r);
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


// A one-line hint sits level with the caption; a two-line hint fills the row.
void hints(Form1* form, const Hint (&pair)[2], int left, int top) {
    const bool twoLines = pair[1].label.member != nullptr;
    for (int i = 0; i < 2 && pair[i].label.member; ++i) {
        const int y = twoLines ? top + 240 * i : top + 120;
        label(form, form->*pair[i].label.member, pair[i].label.name, pair[i].text,
              twRect(left, y, kHintW, kLineH));
    }
}

QPixmap logo(qreal pixelRatio) {
    QPixmap pix(QSize(371, 46) * pixelRatio);
    pix.setDevicePixelRatio(pixelRatio);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);

    // A small call box: dark body, speaker grille, one lit LED.
    const QColor navy(20, 45, 110);
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    p.drawRoundedRect(QRectF(8, 4, 30, 38), 5, 5);
    p.setBrush(QColor(200, 210, 230));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(14, 12 + 5 * i, 18, 2));
    p.setBrush(QColor(230, 40, 40));
    p.drawEllipse(QPointF(23, 35), 2.5, 2.5);

    // Radio waves leaving the box.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(navy, 2, Qt::SolidLine, Qt::RoundCap));
    for (int r = 8; r <= 16; r += 8)
        p.drawArc(QRectF(38 - r, 23 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);

    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(28);
    big.setBold(true);
    p.setFont(big);
    p.setPen(navy);
    p.drawText(QRectF(62, 0, 140, 46), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("ZT870K"));

    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(200, 6, 171, 34), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("CALL BOX\nPROGRAMMER"));
    p.setPen(QPen(QColor(230, 40, 40), 2));
    p.drawLine(QPointF(192, 10), QPointF(192, 36));
    return pix;
}

struct FrameLine {
    int x1, y1, x2, y2;
};

const FrameLine kFrameLines[] = {
    // Message panel; its header interrupts the top line.
    {120, 480, 1200, 480},
    {2880, 480, 3720, 480},
    {120, 480, 120, 6480},
    {120, 6480, 3720, 6480},
    // Settings grid; "EEProm Values" interrupts the top line. x 3720 is shared
    // with the panel and runs on down to the bottom strip.
    {3720, 480, 7920, 480},
    {9360, 480, 14160, 480},
    {3720, 480, 3720, 8040},
    {7680, 840, 7680, 8040},
    {14160, 840, 14160, 8040},
    // Software version row and bottom strip.
    {3720, 7200, 14160, 7200},
    {0, 8040, 14670, 8040},
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

    // Title
    label(this, Label3, "Label3", "Corvale ZT870K VLQ Message Programmer",
          twRect(4320, 0, 6975, 375));
    Label3->setFont(makeFont("Arial", 12));
    setColour(Label3, QPalette::WindowText, QColor(0, 0, 255));

    // Message panel
    label(this, Label2, "Label2", "Message Selection", twRect(1320, 360, 1575, kLineH));
    place(this, txtDirectory, "txtDirectory", twRect(240, 600, 3375, 315));
    txtDirectory->setText(QStringLiteral("c:\\Orvane Kit\\"));
    txtDirectory->setValidator(new TypingLimit(txtDirectory, 120));
    txtDirectory->setToolTip(QStringLiteral("Directory location for the sound files"));
    setColour(txtDirectory, QPalette::Base, kEntryBack);
    setColour(txtDirectory, QPalette::Text, Qt::black);
    label(this, lblMessageDirectory, "lblMessageDirectory", "Message Directory Location",
          twRect(840, 960, 2175, kLineH), Qt::AlignRight);
    check(this, chkMsg1, "chkMsg1", "Local Msg", twRect(240, 1320, 1215, kLineH));
    label(this, lblMsg1Sec, "lblMsg1Sec", "lblMsg1Sec", twRect(1680, 1320, 2055, kLineH));
    check(this, chkMsg2, "chkMsg2", "Radio Msg", twRect(240, 1680, 1215, kLineH));
    label(this, lblMsg2Sec, "lblMsg2Sec", "lblMsg2Sec", twRect(1680, 1680, 2055, kLineH));
    check(this, chkMsg6, "chkMsg6", "Low Battery", twRect(240, 2040, 1335, 315));
    label(this, lblMsg6Sec, "lblMsg6Sec", "lblMsg6Sec", twRect(1680, 2040, 2055, kLineH));
    button(this, Command3, "Command3", "PROGRAM MESSAGES", twRect(240, 2880, 3135, 615));
    Command3->setFont(makeFont("Arial", 12));
    label(this, Label30, "Label30", "Message Directory Location (Double-Click to Select)",
          twRect(840, 3840, 2175, 495), Qt::AlignHCenter);
    Label30->setWordWrap(true);
    place(this, Dir1, "Dir1", twRect(360, 4440, 3015, 1890));

    // Ports and exit
    label(this, Label25, "Label25", "Available Comm Ports", twRect(120, 6600, 1575, kLineH),
          Qt::AlignRight);
    place(this, Combo1, "Combo1", twRect(240, 6960, 1335, 315));
    Combo1->setEditable(true);
    // The typed text itself selects the port: no completion, no re-casing,
    // and Enter doesn't add it to the list.
    Combo1->setCompleter(nullptr);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("Combo1"));
    button(this, cmdScanForPorts, "cmdScanForPorts", "Scan For Comm Ports",
           twRect(1920, 6960, 1455, 615));
    button(this, cmdExitButton, "cmdExitButton", "Exit", twRect(120, 7560, 1335, 375));

    // Settings grid
    label(this, Label8, "Label8", "EEProm Values", twRect(7920, 360, 1455, kLineH),
          Qt::AlignHCenter);
    label(this, Label19, "Label19", "Read Variables", twRect(5160, 600, 1215, kLineH),
          Qt::AlignRight);
    label(this, Label20, "Label20", "Write Variables", twRect(9240, 600, 1215, kLineH),
          Qt::AlignRight);
    for (int r = 0; r < kSettingRowCount; ++r) {
        const GridRow& row = kSettingGrid[r];
        const int t = row.top;
        const QFont boxFont = makeFont("MS Sans Serif", row.boxPoints, true);
        label(this, this->*row.readCaption.member, row.readCaption.name, row.readCaptionText,
              twRect(kReadCaptionRight - kReadCaptionW, t + 120, kReadCaptionW, kLineH),
              Qt::AlignRight);
        valueBox(this, this->*row.readBox.member, row.readBox.name, BoxKind::ReadOut,
                 twRect(5520, t, kBoxW, kBoxH), boxFont);
        hints(this, row.readHints, 6240, t);
        label(this, this->*row.writeCaption.member, row.writeCaption.name, row.writeCaptionText,
              twRect(kWriteCaptionRight - kWriteCaptionW, t + 120, kWriteCaptionW, kLineH),
              Qt::AlignRight);
        QLineEdit* entry = valueBox(this, this->*row.entryBox.member, row.entryBox.name,
                                    BoxKind::Entry, twRect(9600, t, kBoxW, kBoxH), boxFont,
                                    row.maxLength);
        if (row.entryTip)
            entry->setToolTip(QString::fromLatin1(row.entryTip));
        hints(this, row.writeHints, 10320, t);
        button(this, this->*row.writeButton.member, row.writeButton.name,
               kSettingWrites[r].idleCaption,
               twRect(11760, t, 2295, 375));
    }

    // Below the grid
    button(this, cmdReadValues, "cmdReadValues", "READ ALL VALUES", twRect(4440, 6000, 2895, 375));
    label(this, lblISDInfo3, "lblISDInfo3",
          "Note: ISD MASTER Volume will change both the local speaker and RF radio volume.",
          twRect(7920, 5640, 6015, kLineH));
    label(this, lblSoftwareVersion, "lblSoftwareVersion", "ZT870K Software Version",
          twRect(3720, 7560, 1935, kLineH), Qt::AlignRight);
    valueBox(this, txtSoftwareVersion, "txtSoftwareVersion", BoxKind::ReadOut,
             twRect(5760, 7440, 1335, 345), makeFont("MS Sans Serif", 9.75));

    // Bottom strip
    label(this, lblCommFail, "lblCommFail", "Label8", twRect(120, 8160, 6855, 1215));
    lblCommFail->setFont(makeFont("Arial", 12));
    lblCommFail->setWordWrap(true);
    setColour(lblCommFail, QPalette::WindowText, QColor(255, 0, 0));
    place(this, Image1, "Image1", twRect(0, 9360, 5565, 690));
    Image1->setPixmap(logo(devicePixelRatioF()));
    label(this, Label1, "Label1", "  Status Messages", twRect(9960, 8160, 1455, kLineH));
    place(this, txtStatusMessages, "txtStatusMessages", twRect(7080, 8520, 7095, 1455));
    txtStatusMessages->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtStatusMessages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setColour(txtStatusMessages, QPalette::Base, Qt::white);
    setColour(txtStatusMessages, QPalette::Text, Qt::black);
    txtStatusMessages->setPlainText(QStringLiteral("Text1"));
    label(this, Label26, "Label26", "zt870k_v112", twRect(13440, 8160, 1095, kLineH));

    SetUpKeyboardAndNames(*this);
}

void Form1::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setPen(QPen(Qt::darkGray, 0));  // cosmetic: one device pixel at any scale
    for (const FrameLine& l : kFrameLines)
        p.drawLine(tw(l.x1), tw(l.y1), tw(l.x2), tw(l.y2));
}
