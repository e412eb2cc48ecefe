#pragma once

// Each file registers its own cases; main runs them after the application exists.
void registerDrawBenchmarks();
void registerCaptureBenchmarks();
void registerWindowBenchmarks();
// How long the line-rate runs last (10 s unless told).
void setLineRateSeconds(int seconds);
