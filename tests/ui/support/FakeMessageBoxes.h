// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <functional>
#include <vector>

#include "MessageBoxes.h"

// Records every box instead of showing it. whileOpen, when set, runs as if inside the
// box's nested event loop (to deliver events that arrive while a box is up).
class FakeMessageBoxes : public MessageBoxes {
public:
    struct Box {
        QString title, text;
        Icon icon;
        bool setForeground;
    };
    std::vector<Box> shown;
    std::function<void(const Box&)> whileOpen;
    int open = 0, maxOpen = 0;  // boxes open right now, most ever open at once

    void Show(QWidget*, const QString& title, const QString& text, Icon icon, bool setForeground) override {
        shown.push_back({title, text, icon, setForeground});
        maxOpen = std::max(maxOpen, ++open);
        if (whileOpen) whileOpen(shown.back());
        --open;
    }
};
