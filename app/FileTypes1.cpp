#include "app/FileTypes1.h"

namespace FileTypes1 {
void Initialize() {}
}  // namespace FileTypes1
