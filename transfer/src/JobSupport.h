// What the jobs share: queries, guarded writes, the cancel check and the
// load jobs' error handler.
#pragma once

#include <string>
#include <string_view>

#include "dxcmd/Codec.h"
#include "dxtransfer/Jobs.h"

namespace dxtransfer::detail {

// How the job goes on after a step.
enum class Flow { Go, Skip, End };

// Also true once the line died: the rest of the job would send nothing.
inline bool Cancelled(const JobEnv& env) {
    return env.commands.state().TransferCancelled || env.commands.actionFailed();
}

// A bad reply (513): the operator decides whether the job goes on.
Flow AskAfterBadReply(JobEnv& env);
// Any other error: reported; the job goes on after the failed statement.
void ReportOtherError(JobEnv& env);

// A query with its label; the results land in LastReply, ReplyFields and
// ReplyData. Skip or End when its reply was bad.
Flow Query(JobEnv& env, std::string_view label, std::string_view command, int16_t waitTime);

// One write into the console; a value the control cannot take is reported
// and the job goes on with the next statement.
template <typename F>
void Write(JobEnv& env, F&& write) {
    try {
        write();
    } catch (const dxcmd::BadReplyError&) {
        throw;
    } catch (const std::exception&) {
        ReportOtherError(env);
    }
}

// Guards of the value steps.
inline bool HasData(const dxcmd::ProgramState& s) { return !s.ReplyData.empty() && s.ReplyData != "NL"; }
inline int Field0(const dxcmd::ProgramState& s) { return dxcmd::FieldValue(s.ReplyFields, 0); }
inline bool HasField0(const dxcmd::ProgramState& s) { return !s.ReplyFields.empty() && !s.ReplyFields[0].empty(); }

// The character-code-set trigger a load issues first; with UpdatingFromCamera
// set it never reaches the camera.
void CharacterCodeSet(JobEnv& env);

}  // namespace dxtransfer::detail
