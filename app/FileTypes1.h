#pragma once

// The application's file-type set, built and registered once at start-up.
namespace FileTypes1 {

// Builds the thirteen file types and registers them with the framework.
void Initialize();

}  // namespace FileTypes1
