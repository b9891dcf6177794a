-- !seen <nick>: when and where a nick was last seen, and what it was doing.
-- The sightings are kept in bot.store, so they outlast a restart.

local MAX_SAID = 200  -- bytes of a message kept with a sighting

local function ago(seconds)
  for _, unit in ipairs({{"day", 86400}, {"hour", 3600}, {"minute", 60}}) do
    local count = seconds // unit[2]
    if count >= 1 then
      return string.format("%d %s%s ago", count, unit[1], count == 1 and "" or "s")
    end
  end
  return "just now"
end

-- One line per nick: "<time> <channel or -> <what it was doing>".
local function saw(nick, channel, doing)
  if not nick or nick == "" then return end
  if channel == nil or channel == "" then channel = "-" end
  -- A full store (many thousand nicks) only means this sighting is not kept.
  pcall(function()
    bot.store[nick:lower()] = string.format("%d %s %s", os.time(), channel, doing)
  end)
end

local function said(text)
  if #text > MAX_SAID then text = text:sub(1, MAX_SAID) .. "..." end
  return text
end

bot.on("message", function(ev)
  if ev.channel ~= "" then saw(ev.nick, ev.channel, "saying: " .. said(ev.text)) end
end)
bot.on("action", function(ev)
  if ev.channel ~= "" then saw(ev.nick, ev.channel, "doing: * " .. ev.nick .. " " .. said(ev.text)) end
end)
bot.on("join", function(ev) saw(ev.nick, ev.channel, "joining") end)
bot.on("part", function(ev) saw(ev.nick, ev.channel, "leaving") end)
bot.on("quit", function(ev) saw(ev.nick, nil, "quitting") end)
bot.on("nick", function(ev) saw(ev.nick, nil, "changing nick to " .. ev.new_nick) end)

bot.command("!seen", {help = "!seen <nick>: when and where the nick was last seen"},
  function(ctx, args)
    local nick = args[1]
    if not nick then
      ctx.reply("Usage: !seen <nick>")
      return
    end
    local sighting = bot.store[nick:lower()]
    local time, channel, doing = (sighting or ""):match("^(%d+) (%S+) (.*)$")
    if not time then
      ctx.reply(nick .. " has not been seen.")
      return
    end
    local where = channel ~= "-" and (" in " .. channel) or ""
    ctx.reply(string.format("%s was last seen%s %s, %s", nick, where,
      ago(os.time() - tonumber(time)), doing))
  end)
