// Driving the real `yumekaze` from a test: its environment, playerctl and gdbus against it, and
// waits on conditions.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

namespace yumekaze::app::test {

inline constexpr int kTimeoutMs = 20000;

// The system environment with the settings under `config` and the sound output `device`.
QProcessEnvironment ProgramEnvironment(const QString& config, const QString& device = "null");
// Runs a command to its end; its output without the final line break.
QString Output(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
QString Playerctl(const QStringList& arguments);
// A property of the player interface as gdbus prints it.
QString Property(const QString& name);
bool WaitFor(const std::function<bool()>& condition);
bool PlayerctlSays(const QStringList& arguments, const QString& expected);

}  // namespace yumekaze::app::test
