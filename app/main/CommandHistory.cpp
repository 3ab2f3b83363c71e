#include "app/main/CommandHistory.h"

namespace tavrin {

void CommandHistory::Remember(const QString& command) {
    if (!command.isEmpty() && (commands_.empty() || commands_.back() != command)) {
        commands_.push_back(command);
        if (commands_.size() > Capacity)
            commands_.pop_front();
    }
    position_ = commands_.size();
    draft_.clear();
}

bool CommandHistory::Older(const QString& shown, QString& result) {
    if (position_ == 0)
        return false;
    if (position_ == commands_.size())
        draft_ = shown;
    result = commands_[--position_];
    return true;
}

bool CommandHistory::Newer(QString& result) {
    if (position_ >= commands_.size())
        return false;
    ++position_;
    result = position_ == commands_.size() ? draft_ : commands_[position_];
    return true;
}

} // namespace tavrin
