#include "EventPump.h"

#include <QApplication>
#include <QEventLoop>

namespace dxconsole {

void PumpEvents(void*) {
    QCoreApplication::processEvents(QApplication::activeModalWidget() ? QEventLoop::AllEvents
                                                                      : QEventLoop::ExcludeUserInputEvents);
}

}  // namespace dxconsole
