#include "sensors/C5Spyder.h"

C5Spyder::C5Spyder(int /*port*/) : C4Spyder(QStringLiteral("Spyder5")) {}
