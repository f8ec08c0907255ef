// What the embedded web engine needs before it can start, checked and set
// without loading it.
#pragma once

#include <QString>

// Must run before the QApplication is created: a process running as root
// cannot use the engine's sandbox.
void prepareWebEngine();

// Must run after the QApplication is created and before the engine is
// loaded: the OpenGL context that the engine's drawing shares.
void shareOpenGLContextsForWebEngine();

// Whether the engine's helper process and resources are installed (the
// engine ends the process when its helper is missing).
bool webEngineInstalled(QString* why = nullptr);
