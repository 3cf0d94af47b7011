#pragma once

#include <QFont>

// The face of the window's controls other than the two text boxes, and of its prompts.
QFont controlFont();
