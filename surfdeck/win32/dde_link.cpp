#include "surfdeck/win32/dde_link.h"

namespace surfdeck {

namespace {

// APPCMD_FILTERINITS | CBF_FAIL_SELFCONNECTIONS | CBF_FAIL_ADVISES |
// CBF_FAIL_EXECUTES | CBF_SKIP_CONNECT_CONFIRMS.
constexpr DWORD kInstanceFlags = 0x0004D020;
static_assert(kInstanceFlags == (APPCMD_FILTERINITS | CBF_FAIL_SELFCONNECTIONS | CBF_FAIL_ADVISES |
                                 CBF_FAIL_EXECUTES | CBF_SKIP_CONNECT_CONFIRMS),
              "DDE instance flags");

// The callback has no context argument; there is one link per program.
DdeLink* g_link = NULL;

std::string queryString(DWORD instance, HSZ handle) {
  char text[256] = "";
  if (handle != NULL) DdeQueryStringA(instance, handle, text, sizeof text, CP_WINANSI);
  text[sizeof text - 1] = '\0';
  return text;
}

}  // namespace

DdeLink::~DdeLink() {
  if (instance_ == 0) return;
  disconnect();
  if (registered_) DdeNameService(instance_, NULL, NULL, DNS_UNREGISTER);
  if (ownService_ != NULL) DdeFreeStringHandle(instance_, ownService_);
  for (HSZ& topic : topics_)
    if (topic != NULL) DdeFreeStringHandle(instance_, topic);
  if (service_ != NULL) DdeFreeStringHandle(instance_, service_);
  if (item_ != NULL) DdeFreeStringHandle(instance_, item_);
  DdeUninitialize(instance_);
  if (g_link == this) g_link = NULL;
}

bool DdeLink::initialise() {
  g_link = this;
  if (DdeInitializeA(&instance_, callback, kInstanceFlags, 0) != DMLERR_NO_ERROR) {
    instance_ = 0;
    return false;
  }
  for (int i = 0; i < kTopicCount; ++i)
    topics_[i] = DdeCreateStringHandleA(instance_, topicName(static_cast<Topic>(i)), CP_WINANSI);
  ownService_ = DdeCreateStringHandleA(instance_, kOwnService, CP_WINANSI);
  registered_ = DdeNameService(instance_, ownService_, NULL, DNS_REGISTER) != NULL;
  return true;
}

bool DdeLink::connect(const std::string& service, Topic topic) {
  disconnect();
  if (instance_ == 0 || service.empty()) return false;
  if (service_ == NULL || service != serviceName_) {
    if (service_ != NULL) DdeFreeStringHandle(instance_, service_);
    service_ = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
    serviceName_ = service;
  }
  conversation_ = DdeConnect(instance_, service_, topics_[static_cast<int>(topic)], NULL);
  return conversation_ != NULL;
}

void DdeLink::disconnect() {
  if (conversation_ != NULL) DdeDisconnect(conversation_);
  conversation_ = NULL;
}

HSZ DdeLink::itemHandle(Topic topic, const std::string& item) {
  // The window list is asked for with the topic's own handle.
  if (topic == Topic::ListWindows && item == topicName(topic)) return topics_[static_cast<int>(topic)];
  if (item_ != NULL) DdeFreeStringHandle(instance_, item_);
  item_ = DdeCreateStringHandleA(instance_, item.c_str(), CP_WINANSI);
  return item_;
}

bool DdeLink::probe(const std::string& service, Topic topic) {
  const bool answered = connect(service, topic);
  disconnect();
  return answered;
}

std::optional<std::vector<uint8_t>> DdeLink::request(const std::string& service, Topic topic,
                                                     const std::string& item) {
  if (!connect(service, topic)) return std::nullopt;
  std::optional<std::vector<uint8_t>> reply;
  HDDEDATA data = DdeClientTransaction(NULL, 0, conversation_, itemHandle(topic, item), CF_TEXT,
                                       XTYP_REQUEST, kDdeTimeoutMs, NULL);
  if (data != NULL) {
    const DWORD size = DdeGetData(data, NULL, 0, 0);
    std::vector<uint8_t> bytes(size);
    if (size != 0) DdeGetData(data, bytes.data(), size, 0);
    reply = std::move(bytes);
    DdeFreeDataHandle(data);
  }
  disconnect();
  return reply;
}

bool DdeLink::poke(const std::string& service, Topic topic, const std::string& item) {
  if (!connect(service, topic)) return false;
  HDDEDATA result = DdeClientTransaction(NULL, 0, conversation_, itemHandle(topic, item), CF_TEXT,
                                         XTYP_POKE, kDdeTimeoutMs, NULL);
  (void)result;  // the browser's acknowledgement is not needed
  disconnect();
  return true;
}

HDDEDATA DdeLink::onPoke(HSZ topic, HSZ item, HDDEDATA data) {
  const bool echo = DdeCmpStringHandles(topic, topics_[static_cast<int>(Topic::URLEcho)]) == 0;
  const bool change = DdeCmpStringHandles(topic, topics_[static_cast<int>(Topic::WindowChange)]) == 0;
  if ((echo || change) && driver_ != nullptr) {
    const std::string name = queryString(instance_, item);
    DWORD size = 0;
    const BYTE* bytes = data != NULL ? DdeAccessData(data, &size) : NULL;
    if (echo)
      driver_->onUrlEcho(name, bytes, bytes != NULL ? size : 0);
    else
      driver_->onWindowChange(name, bytes, bytes != NULL ? size : 0);
    if (bytes != NULL) DdeUnaccessData(data);
    // The data handle of a poke belongs to the system: not freed here.
  }
  return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

HDDEDATA CALLBACK DdeLink::callback(UINT type, UINT, HCONV, HSZ topic, HSZ item, HDDEDATA data, ULONG_PTR,
                                    ULONG_PTR) {
  switch (type) {
    case XTYP_ADVSTART:
      OutputDebugStringA("cb_advStart\n");
      return NULL;
    case XTYP_CONNECT:
      OutputDebugStringA("cb_Connect\n");
      return reinterpret_cast<HDDEDATA>(1);
    case XTYP_ADVREQ:
    case XTYP_REQUEST:
      OutputDebugStringA("cb_advReq_Req\n");
      return NULL;
    case XTYP_ADVDATA:
      OutputDebugStringA("cb_dvData\n");
      return reinterpret_cast<HDDEDATA>(DDE_FACK);
    case XTYP_POKE:
      OutputDebugStringA("cb_poke\n");
      if (g_link == NULL) return reinterpret_cast<HDDEDATA>(DDE_FACK);
      return g_link->onPoke(topic, item, data);
    case XTYP_REGISTER:
      OutputDebugStringA("cb_register\n");
      return reinterpret_cast<HDDEDATA>(1);
    case XTYP_DISCONNECT:
      OutputDebugStringA("cb_disconnect\n");
      return NULL;
    default:
      OutputDebugStringA("cb_Xhandled\n");
      return NULL;
  }
}

}  // namespace surfdeck
