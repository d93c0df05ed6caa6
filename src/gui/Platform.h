#pragma once
#include <QString>

namespace Platform {
// Starts the desktop's default application for plain text on `path`, detached, not waited for.
void openInTextEditor(const QString &path);
}
