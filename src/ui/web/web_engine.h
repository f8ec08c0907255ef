// The module's web features on Qt WebEngine.
#pragma once

#include <memory>

#include "web_features.h"

namespace folvane_web {

// The features, or nullptr when the engine is not installed.
std::unique_ptr<WebFeatures> createWebFeatures();

}  // namespace folvane_web

extern "C" Q_DECL_EXPORT WebFeatures* folvane_create_web_features();
