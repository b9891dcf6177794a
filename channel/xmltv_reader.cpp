#include "channel/xmltv_reader.h"

#include <expat.h>

#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "channel/lookup_bounds.h"
#include "channel/xmltv_time.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

// What is known of the programme being read.
struct ProgrammeDraft {
  std::string channel;
  std::int64_t start = 0;
  std::optional<std::int64_t> stop;
  std::optional<std::string> title;
  bool title_in_finnish = false;
};

class XmltvReader {
 public:
  XmltvReader() : parser_(XML_ParserCreate(nullptr), XML_ParserFree) {
    if (!parser_) throw Exception("No memory for the XML parser");
    XML_Parser parser = parser_.get();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, &XmltvReader::OnStart, &XmltvReader::OnEnd);
    XML_SetCharacterDataHandler(parser, &XmltvReader::OnText);
    XML_SetEntityDeclHandler(parser, &XmltvReader::OnEntityDeclaration);
    XML_SetSkippedEntityHandler(parser, &XmltvReader::OnSkippedEntity);
  }

  TvSchedule Read(std::string_view document) {
    if (document.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
      throw Exception("The listing is too large");
    }
    const auto status =
        XML_Parse(parser_.get(), document.data(), static_cast<int>(document.size()), XML_TRUE);
    if (!error_.empty()) throw Exception(error_);
    if (status != XML_STATUS_OK) {
      throw Exception(std::string(XML_ErrorString(XML_GetErrorCode(parser_.get()))) + " at line " +
                      std::to_string(XML_GetCurrentLineNumber(parser_.get())));
    }
    if (!saw_root_) throw Exception("Not an XMLTV listing");
    schedule_.Finish();
    return std::move(schedule_);
  }

 private:
  static XmltvReader& Of(void* data) { return *static_cast<XmltvReader*>(data); }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Of(data).Start(name, attributes);
  }
  static void XMLCALL OnEnd(void* data, const XML_Char*) { Of(data).End(); }
  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    XmltvReader& reader = Of(data);
    if (reader.in_title_) reader.text_.append(text, static_cast<std::size_t>(length));
  }
  static void XMLCALL OnEntityDeclaration(void* data, const XML_Char* name, int, const XML_Char*,
                                          int, const XML_Char*, const XML_Char*, const XML_Char*,
                                          const XML_Char*) {
    Of(data).Fail(std::string("Entity declaration ") + name);
  }
  static void XMLCALL OnSkippedEntity(void* data, const XML_Char* name, int) {
    Of(data).Fail(std::string("Unknown entity ") + name);
  }

  void Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    XML_StopParser(parser_.get(), XML_FALSE);
  }

  void Start(const char* name, const char** attributes) {
    ++depth_;
    if (depth_ == 1) {
      if (std::strcmp(name, "tv") != 0) Fail("Not an XMLTV listing");
      saw_root_ = true;
    } else if (!draft_ && std::strcmp(name, "programme") == 0) {
      StartProgramme(attributes);
    } else if (draft_ && depth_ == programme_depth_ + 1 && std::strcmp(name, "title") == 0) {
      in_title_ = true;
      title_lang_fi_ = Attribute(attributes, "lang").value_or("") == std::string_view("fi");
      text_.clear();
    }
  }

  void End() {
    if (in_title_ && depth_ == programme_depth_ + 1) {
      in_title_ = false;
      TakeTitle();
    } else if (draft_ && depth_ == programme_depth_) {
      if (++programmes_ > kMaxListingProgrammes) {
        Fail("More than " + std::to_string(kMaxListingProgrammes) + " programmes");
        return;
      }
      schedule_.Add(draft_->channel, draft_->start, draft_->stop, draft_->title.value_or(""));
      draft_.reset();
    }
    --depth_;
  }

  void StartProgramme(const char** attributes) {
    const auto channel = Attribute(attributes, "channel");
    const auto start = Time(Attribute(attributes, "start"));
    const auto stop_text = Attribute(attributes, "stop");
    const auto stop = stop_text ? Time(stop_text) : std::nullopt;
    if (!channel || !start || (stop_text && !stop)) {
      Fail("A programme without a channel or a start, or with a bad time, at line " +
           std::to_string(XML_GetCurrentLineNumber(parser_.get())));
      return;
    }
    draft_ = ProgrammeDraft{std::string(*channel), *start, stop, std::nullopt, false};
    programme_depth_ = depth_;
  }

  void TakeTitle() {
    if (draft_->title_in_finnish || (draft_->title && !title_lang_fi_)) return;
    draft_->title = CollapsedBlanks(text_);
    draft_->title_in_finnish = title_lang_fi_;
  }

  static std::optional<std::int64_t> Time(std::optional<std::string_view> text) {
    return text ? ParseXmltvTime(*text) : std::nullopt;
  }

  static std::optional<std::string_view> Attribute(const char** attributes, const char* name) {
    for (const char** at = attributes; at[0] != nullptr; at += 2) {
      if (std::strcmp(at[0], name) == 0) return std::string_view(at[1]);
    }
    return std::nullopt;
  }

  static std::string CollapsedBlanks(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        blank = !out.empty();
        continue;
      }
      if (blank) out += ' ';
      blank = false;
      out += c;
    }
    return out;
  }

  std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser_;
  TvSchedule schedule_;
  std::string error_;
  bool saw_root_ = false;
  int depth_ = 0;
  int programme_depth_ = 0;
  std::optional<ProgrammeDraft> draft_;
  std::size_t programmes_ = 0;
  bool in_title_ = false;
  bool title_lang_fi_ = false;
  std::string text_;
};

}  // namespace

TvSchedule ReadXmltv(std::string_view document) {
  return XmltvReader().Read(document);
}

}  // namespace zelmo
