// File dialog filters: the platform-neutral "|"-separated pairs of description and pattern
// ("HEX Files (*.hex)|*.hex|All Files (*.*)|*.*||") turned into Qt's name filters.
#pragma once

#include <QStringList>

#include <string>

// "*.*" becomes "*", because here it would miss the names that have no dot.
QStringList qtNameFilters(const std::string &filter);
