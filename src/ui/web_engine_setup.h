// What the embedded web engine needs before it can start, checked and set
// without loading it.
#pragma once

#include <QString>

// Must run before the QApplication is created: the engine shares OpenGL
// contexts, and a process running as root cannot use the engine's sandbox.
void prepareWebEngine();

// Whether the engine's helper process and resources are installed (the
// engine ends the process when its helper is missing).
bool webEngineInstalled(QString* why = nullptr);
