// The program's look, set before any window is built: the application font (when the data root
// holds the font file) and the style sheet, whose fonts every widget then draws its text in.
#pragma once

class QApplication;

void applyAppearance(QApplication& app);
