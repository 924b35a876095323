// The mouse buttons held now, from the application object.
#include "platform/Input.h"

#include <QGuiApplication>

namespace Platform {

bool LeftButtonDown()
{
    return qApp && (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

bool AnyButtonDown()
{
    return qApp && (QGuiApplication::mouseButtons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton));
}

} // namespace Platform
