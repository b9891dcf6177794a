-- Posts the <title> of an http(s) link said in a channel. Off until someone
-- with the bot owner's rights turns it on with the private command "title;on"; the
-- switch is kept in bot.store. At most one title per channel every
-- SECONDS_PER_CHANNEL seconds, so a burst of links is not a burst of lines.

local SECONDS_PER_CHANNEL = 30
local MAX_TITLE = 200  -- bytes

local last_post = {}  -- channel -> os.time() of its last title

local ENTITIES = {amp = "&", lt = "<", gt = ">", quot = '"', apos = "'", nbsp = " "}

local function title_of(page)
  local title = page:match("<[Tt][Ii][Tt][Ll][Ee][^>]*>(.-)</[Tt][Ii][Tt][Ll][Ee]>")
  if not title then return nil end
  title = title:gsub("&#(%d+);", function(code)
    local number = tonumber(code)
    return number < 0x110000 and utf8.char(number) or ""
  end)
  title = title:gsub("&(%a+);", function(name) return ENTITIES[name] end)
  title = title:gsub("%s+", " "):match("^ ?(.-) ?$")
  if #title > MAX_TITLE then title = title:sub(1, MAX_TITLE) .. "..." end
  if title == "" then return nil end
  return title
end

bot.private("title", {rights = 2, params = 2,
    help = "title;on|off: post the titles of links said in the channels"},
  function(ctx, parts)
    local switch = parts[2]:lower()
    if switch ~= "on" and switch ~= "off" then
      ctx.reply("Usage: title;on or title;off")
      return
    end
    bot.store.enabled = switch == "on"
    ctx.reply("Link titles are " .. switch .. ".")
  end)

bot.on("message", function(ev)
  if not bot.store.enabled or ev.channel == "" then return end
  local url = ev.text:match("https?://[^%s]+")
  if not url then return end
  local now = os.time()
  if last_post[ev.channel] and now - last_post[ev.channel] < SECONDS_PER_CHANNEL then return end
  last_post[ev.channel] = now
  -- A host the bot may not fetch from is no error worth a line.
  pcall(bot.http_get, url, function(status, page)
    if status ~= 200 then return end
    local title = title_of(page)
    if title then bot.say(ev.channel, "Title: " .. title) end
  end)
end)
