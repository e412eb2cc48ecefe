#pragma once

// Each file registers its own cases; main runs them after the application exists.
void registerDrawBenchmarks();
void registerCaptureBenchmarks();
