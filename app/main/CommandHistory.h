#pragma once

// The commands sent in this run, for Up and Down in the command line: Up walks to older
// ones, Down back to newer ones, and past the newest to what was being typed before the
// walk began, as a shell's history does.

#include <QString>

#include <cstddef>
#include <deque>

namespace tavrin {

class CommandHistory {
public:
    static constexpr std::size_t Capacity = 50;

    // A command that went out. The same command sent again right after itself is kept once,
    // so that Up reaches the one before it at once. Ends any walk.
    void Remember(const QString& command);

    // The command one step older than the one shown; `shown` is what the command line holds,
    // kept as the draft when the walk begins. False at the oldest (the line stays).
    bool Older(const QString& shown, QString& result);
    // One step newer; past the newest, the draft. False when no walk is going on.
    bool Newer(QString& result);

    std::size_t Size() const { return commands_.size(); }

private:
    std::deque<QString> commands_; // oldest first
    // Where the walk stands: commands_.size() when not walking (the draft's place).
    std::size_t position_ = 0;
    QString draft_;
};

} // namespace tavrin
