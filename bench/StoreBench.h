#pragma once

// Preload and list synchronisation, each with its floors, in every folder.
void RegisterStoreBenchmarks();
