// Enabled: whether a group of controls takes input, for the control-state
// operations of the pages and the region panel.
#pragma once

namespace varnel {

enum class Enabled { No, Yes };

}  // namespace varnel
