#pragma once

namespace Lexora::Constants {

// The plugin's category in the host's issues list.
inline constexpr char taskCategory[] = "lexora errors";

// The translation database, in the project's directory.
inline constexpr char databaseFileName[] = "translations.db";

} // namespace Lexora::Constants
