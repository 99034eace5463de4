#include "sim/browser/win32/dde_server.h"

#include "sim/browser/dde_text.h"

namespace browser {
namespace {

// DDEML gives its callback no context: the one server of the process.
DdeServer* g_server = NULL;

const char* const kTopics[] = {"WWW_ListWindows", "WWW_GetWindowInfo", "WWW_OpenURL",
                               "WWW_RegisterWindowChange", "WWW_RegisterURLEcho"};

bool is_topic(const std::string& name, const char* topic) {
  return lstrcmpiA(name.c_str(), topic) == 0;
}

bool known_topic(const std::string& name) {
  for (const char* topic : kTopics)
    if (is_topic(name, topic)) return true;
  return false;
}

const char* type_name(UINT type) {
  switch (type) {
    case XTYP_CONNECT: return "connect";
    case XTYP_CONNECT_CONFIRM: return "connect-confirm";
    case XTYP_WILDCONNECT: return "wildconnect";
    case XTYP_REQUEST: return "request";
    case XTYP_POKE: return "poke";
    case XTYP_EXECUTE: return "execute";
    case XTYP_ADVSTART: return "advstart";
    case XTYP_ADVSTOP: return "advstop";
    case XTYP_ADVREQ: return "advreq";
    case XTYP_DISCONNECT: return "disconnect";
    case XTYP_ERROR: return "error";
    default: return NULL;
  }
}

// What a transaction that is neither answered nor refused returns.
HDDEDATA refusal(UINT type) {
  switch (type) {
    case XTYP_POKE:
    case XTYP_EXECUTE:
      return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    default:
      return NULL;
  }
}

}  // namespace

DdeServer::DdeServer(const Config& config, const EventLog& log, Page& page, FrameWindow& frame,
                     EchoClient& echo)
    : config_(config), log_(log), page_(page), frame_(frame), echo_(echo) {}

DdeServer::~DdeServer() { stop(); }

bool DdeServer::start() {
  g_server = this;
  const UINT result = DdeInitializeA(&instance_, callback,
                                     APPCLASS_STANDARD | APPCMD_FILTERINITS |
                                         CBF_FAIL_SELFCONNECTIONS | CBF_SKIP_CONNECT_CONFIRMS |
                                         CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                                     0);
  if (result != DMLERR_NO_ERROR) {
    log_.write(log_.line("error").text("text", "DdeInitialize").hex("code", result));
    instance_ = 0;
    g_server = NULL;
    return false;
  }
  service_ = DdeCreateStringHandleA(instance_, config_.service.c_str(), CP_WINANSI);
  return service_ != NULL;
}

bool DdeServer::register_service() {
  registered_ = DdeNameService(instance_, service_, NULL, DNS_REGISTER) != NULL;
  log_.write(log_.line("register")
                 .text("service", config_.service)
                 .text("result", registered_ ? "ok" : "failed"));
  return registered_;
}

void DdeServer::stop() {
  if (!instance_) return;
  if (registered_) DdeNameService(instance_, service_, NULL, DNS_UNREGISTER);
  registered_ = false;
  if (service_) DdeFreeStringHandle(instance_, service_);
  service_ = NULL;
  DdeUninitialize(instance_);
  instance_ = 0;
  g_server = NULL;
}

std::string DdeServer::text_of(HSZ handle) const {
  if (!handle) return std::string();
  char text[kMaxItem + 1] = "";
  const DWORD length = DdeQueryStringA(instance_, handle, text, sizeof text, CP_WINANSI);
  return std::string(text, length < sizeof text ? length : sizeof text - 1);
}

std::string DdeServer::bytes_of(HDDEDATA data) {
  if (!data) return std::string();
  const DWORD size = DdeGetData(data, NULL, 0, 0);
  std::string bytes(size, '\0');
  if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(&bytes[0]), size, 0);
  return bytes;
}

HDDEDATA CALLBACK DdeServer::callback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                      HSZ item, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  if (!g_server) return NULL;
  return g_server->on_transaction(type, format, conversation, topic, item, data);
}

HDDEDATA DdeServer::on_transaction(UINT type, UINT format, HCONV conversation, HSZ topic_handle,
                                   HSZ item_handle, HDDEDATA data) {
  LogLine line = log_.line("dde");
  const char* name = type_name(type);
  if (name)
    line.text("type", name);
  else
    line.hex("type", type);

  if (type == XTYP_DISCONNECT) {
    log_.write(line.hex("conversation", reinterpret_cast<UINT_PTR>(conversation)));
    return NULL;
  }
  const std::string topic = text_of(topic_handle);
  line.text("topic", topic);

  if (type == XTYP_CONNECT || type == XTYP_CONNECT_CONFIRM) {
    // hsz2 is the service asked for.
    const std::string service = text_of(item_handle);
    line.text("service", service);
    if (type == XTYP_CONNECT_CONFIRM) {
      log_.write(line);
      return NULL;
    }
    const bool accept =
        lstrcmpiA(service.c_str(), config_.service.c_str()) == 0 && known_topic(topic);
    log_.write(line.text("result", accept ? "accepted" : "refused"));
    // The partner waits in its connect broadcast now, serving what is sent
    // to it: the one safe moment to connect back to it.
    if (accept && !echo_.connected()) echo_.connect();
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(accept));
  }

  const std::string item = text_of(item_handle);
  line.text("item", item).number("format", format);

  if (type == XTYP_REQUEST) {
    bool answered = false;
    const std::vector<uint8_t> reply = answer_request(topic, item, &answered);
    if (!answered) {
      log_.write(line.text("result", "refused"));
      return NULL;
    }
    line.text("result", "answered")
        .text("reply", std::string(reply.begin(), reply.end()));
    log_.write(line);
    return DdeCreateDataHandle(instance_, const_cast<LPBYTE>(reply.data()),
                               static_cast<DWORD>(reply.size()), 0, item_handle, format, 0);
  }
  if (type == XTYP_POKE) {
    const bool accepted = answer_poke(topic, item);
    line.text("data", bytes_of(data)).text("result", accepted ? "accepted" : "refused");
    log_.write(line);
    return reinterpret_cast<HDDEDATA>(accepted ? DDE_FACK : DDE_FNOTPROCESSED);
  }
  if (data) line.text("data", bytes_of(data));
  log_.write(line.text("result", "refused"));
  return refusal(type);
}

std::vector<uint8_t> DdeServer::answer_request(const std::string& topic, const std::string& item,
                                               bool* answered) {
  *answered = true;
  if (is_topic(topic, "WWW_ListWindows")) return list_windows_reply();
  if (is_topic(topic, "WWW_GetWindowInfo")) {
    const std::optional<uint32_t> id = parse_window_id_item(item);
    if (id && (*id == kWindowId || *id == 0xFFFFFFFF)) {
      const std::string text = window_info_text(page_.url(), frame_.title());
      std::vector<uint8_t> reply(text.begin(), text.end());
      reply.push_back('\0');
      return reply;
    }
  } else if (is_topic(topic, "WWW_OpenURL")) {
    if (const std::optional<OpenUrlItem> open = parse_open_url_item(item)) {
      page_.show(open->url);
      frame_.page_changed();
      log_.write(log_.line("page")
                     .text("url", page_.url())
                     .text("bookmarks", page_.listed_file())
                     .number("links", static_cast<long long>(page_.link_count()))
                     .number("mark", page_.marked()));
      echo_.echo(open->url);
      return u32_reply(kWindowId);
    }
  } else if (is_topic(topic, "WWW_RegisterWindowChange")) {
    if (registered_service(item)) return u32_reply(kWindowId);
  }
  *answered = false;
  return std::vector<uint8_t>();
}

bool DdeServer::answer_poke(const std::string& topic, const std::string& item) {
  return is_topic(topic, "WWW_RegisterURLEcho") && registered_service(item).has_value();
}

}  // namespace browser
