#pragma once
#include <QString>
#include <string>

// The widget boundary: texts in memory are CP932 bytes, widgets speak QString.
QString FromSjis(const std::string& cp932);
std::string ToSjis(const QString& text);
