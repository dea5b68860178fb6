// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// The leading number of a text: blanks, tabs and line feeds are dropped from anywhere,
// then the longest start that reads as a number counts: sign, digits with one period,
// exponent; or &H hex, &O octal. No such start gives 0. Never fails.
double LeadingNumber(const std::string& text);

// Shortest decimal text with a period, "-" for negatives, no zero before the point
// of a number between -1 and 1: 0.5 -> ".5", -0.5 -> "-.5", 7 -> "7".
std::string NormalForm(double number);
