#include "settings/GlobalData.h"

GlobalData& GlobalData::instance()
{
    static GlobalData data;
    return data;
}
