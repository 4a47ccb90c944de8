#include "JobSupport.h"

#include "dxparams/Catalogue.h"

namespace dxtransfer::detail {

Flow AskAfterBadReply(JobEnv& env) {
    const auto answer = env.commands.dialogs().message("Receive failed. Do you wish to continue?", "Receive Failed",
                                                       dxcmd::Icon::Critical, dxcmd::Buttons::YesNo,
                                                       dxcmd::Answer::Yes);
    return answer == dxcmd::Answer::Yes ? Flow::Skip : Flow::End;
}

void ReportOtherError(JobEnv& env) {
    env.commands.dialogs().message("Unknown error.", "Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok,
                                   dxcmd::Answer::Ok);
}

Flow Query(JobEnv& env, std::string_view label, std::string_view command, int16_t waitTime) {
    env.commands.state().LogLabel = std::string(label);
    try {
        env.commands.QueryCamera(std::string(command), waitTime);
    } catch (const dxcmd::BadReplyError&) {
        return AskAfterBadReply(env);
    } catch (const std::exception&) {
        ReportOtherError(env);
        return Flow::Skip;
    }
    return Flow::Go;
}

void CharacterCodeSet(JobEnv& env) {
    const auto& t = dxparams::trg::CharacterCodeSetB;
    env.commands.state().LogLabel = std::string(t.label);
    env.commands.ExecCmd(std::string(t.command), "A0", "TRIGGER", std::string(t.key));
}

}  // namespace dxtransfer::detail
