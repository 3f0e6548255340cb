// `corvane-desk --screenshots DIR`: the README's pictures, rendered from the
// running application against the simulated Data Collector.
#pragma once

#include <QString>

namespace corvane::desk {

class DemoDevice;
class MainWindow;

// Writes main-window.png, progress.png and preview.png into `folder`; 0 when all three were written.
int TakeScreenshots(MainWindow& window, DemoDevice& demo, const QString& folder);

}  // namespace corvane::desk
