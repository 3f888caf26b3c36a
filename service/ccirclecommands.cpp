#include "ccirclecommands.h"

#include "cfieldwriter.h"
#include "cservicecontext.h"

using namespace Codes;

void CCircleCommands::install(CDispatcher &dispatcher)
{
    dispatcher.add(CmdCircle, CDispatcher::OnTcp, CDispatcher::SenderField,
                   [this](CRequest &request) { onCircleList(request); });
}

void CCircleCommands::onCircleList(CRequest &request)
{
    // Two zero status bytes, four unused bytes, then the list: a count of no circles.
    m_service.reply(
        request,
        CFieldWriter(CmdCircle).zpid(request.session()->iZpid).u8(0).u8(0).u32(0).u32(0).packet());
}
