// Starting the embedded web engine, and the web features built on it.
#pragma once

#include <QString>
#include <memory>

#include "web_features.h"

namespace folvane_web {

// Must run before the QApplication is created: the engine shares OpenGL
// contexts, and a process running as root cannot use the engine's sandbox.
void prepareWebEngine();

// Whether the engine can start here: its helper process and resources are
// installed. `why` receives the reason when not.
bool webEngineAvailable(QString* why = nullptr);

// The web features, or nullptr when the engine cannot start (the program
// then runs without them).
std::unique_ptr<WebFeatures> createWebFeatures();

}  // namespace folvane_web
