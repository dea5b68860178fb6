// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <vector>

class QLabel;
class QLineEdit;
class QWidget;

// Places a window's elements by their twips, as laid out for the 8-point MS Sans Serif.
// A font that needs more room (most Linux desktops' is wider) stretches the whole layout
// by one factor, the smallest that lets every text fit its element, so the window keeps
// its proportions and no caption is cut.
class TwipsLayout {
public:
    explicit TwipsLayout(QWidget* window) : window_(window) {}

    // An element and its place inside its container. A text element (label, check box)
    // counts towards the factor unless fit is false.
    void Add(QWidget* element, double left, double top, double width, double height, bool fit = true);
    // Works out the factor from the texts as they stand, then sizes the window to its
    // client area and places every element.
    void Apply(double clientWidth, double clientHeight);

    double Factor() const { return factor_; }
    int X(double twips) const;
    int Y(double twips) const;

private:
    struct Item {
        QWidget* element;
        double left, top, width, height;
        bool fit;
    };
    bool Fits(const Item& item) const;

    QWidget* window_;
    std::vector<Item> items_;
    double factor_ = 1;
};

// Centres a text field over the run of blanks in its label's caption, so the label and
// the field read as one sentence whatever the font's widths. Both share a container.
void PutOverBlanks(QLineEdit* field, const QLabel* label);

// Puts a window of fixed size in the middle of the screen its owner is on. Moving it
// before it is shown also keeps Qt from centring it over the owner instead.
void CenterOnScreen(QWidget* window);
