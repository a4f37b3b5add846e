#pragma once

namespace Lexora::Constants {

// The plugin's category in the host's issues list.
inline constexpr char taskCategory[] = "lexora errors";

} // namespace Lexora::Constants
