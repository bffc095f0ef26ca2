#include "update/OwnExecutable.h"

bool isLockedOwnExecutable(const QString &)
{
    return false;
}
