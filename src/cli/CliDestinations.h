#pragma once

#include "destinations/Device.h"
#include "execution/DeeplinkExecuter.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// The tools of one kestrine-cli run and the destinations they list. Xcode and adb come from
// the options when given (for this run only), else from the app's settings, as the app finds
// them; nothing here writes a setting.
class CliDestinations {
public:
    // Finds the tools; none, with the reason on standard error, when an option names no tool
    // or there is neither an Xcode nor an adb.
    [[nodiscard]] static std::optional<CliDestinations> locate(const std::optional<QString>& xcode,
                                                               const std::optional<QString>& adb);

    // These tools less the ones that cannot list `wanted` by its form: a simulator's or an
    // iPhone's UDID needs no adb, an emulator's or a network serial no Xcode. A name, or no
    // destination at all, needs every tool.
    [[nodiscard]] CliDestinations toolsFor(const std::optional<QString>& wanted) const;

    // Every destination of the tools, in the picker's order (grouped by kind and platform,
    // booted first, then by name). A tool that fails is reported on standard error and
    // leaves `complete` false; the others' destinations are still listed. `anyAnswered`, when
    // given, tells whether at least one tool listed its destinations.
    [[nodiscard]] QList<Device> list(bool* complete, bool* anyAnswered = nullptr) const;

    // The destination a command fires at: `wanted` (an id, else an exact name), or without it
    // the one selected in the app, else the first booted simulator, else the first usable
    // Android destination. None, with the reason on standard error, when it is not there, not
    // usable, or a name fits several (`ambiguous` set). The tools are asked one after another
    // (simctl, devicectl, adb) only until the choice is settled: the id found, or without an id
    // a booted simulator. What is chosen is what the whole list would give.
    [[nodiscard]] std::optional<Device> find(const std::optional<QString>& wanted,
                                             bool* ambiguous) const;

    // Whether `device` can be fired at now: a shut-down simulator is booted when `boot` is set,
    // else refused. False, with the reason on standard error, when it cannot.
    [[nodiscard]] bool readyToFire(const Device& device, bool boot) const;

    // Where a URL for `device` goes: the app `app` when given, else the one chosen in the app
    // for that kind of destination (none on Android: Any App).
    [[nodiscard]] DeeplinkExecuter::Target target(const Device& device,
                                                  const std::optional<QString>& app) const;

    // "iOS Simulator", "iOS Device", "Android Emulator" or "Android Device".
    [[nodiscard]] static QString kind(const Device& device);

private:
    enum class Tool { Simctl, Devicectl, Adb };
    // The tools there are, in the order they are asked: simctl answers fastest, devicectl
    // slowest.
    [[nodiscard]] QList<Tool> tools() const;
    // Adds the destinations `tool` lists to `devices`; false, with the reason on standard error,
    // when it fails.
    bool ask(Tool tool, QList<Device>* devices) const;
    // `devices` in the picker's order.
    [[nodiscard]] static QList<Device> ordered(const QList<Device>& devices);
    [[nodiscard]] static std::optional<Device>
    choose(const QList<Device>& devices, const std::optional<QString>& wanted, bool* ambiguous);

    QUrl m_xcodeURL;
    std::optional<QString> m_adbPath;
};
