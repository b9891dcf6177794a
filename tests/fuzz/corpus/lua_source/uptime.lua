-- Private command "uptime": how long the scripts have been loaded and how
-- long the bot has been connected. The time of connecting is kept in
-- bot.store, so a RELOAD does not forget it.

local loaded = os.time()

local function span(seconds)
  local parts = {}
  for _, unit in ipairs({{"day", 86400}, {"hour", 3600}, {"minute", 60}}) do
    local count = seconds // unit[2]
    if count >= 1 then
      parts[#parts + 1] = string.format("%d %s%s", count, unit[1], count == 1 and "" or "s")
      seconds = seconds % unit[2]
    end
  end
  if #parts == 0 then return "less than a minute" end
  return table.concat(parts, " ")
end

bot.on("connected", function() bot.store.connected = os.time() end)
bot.on("disconnected", function() bot.store.connected = nil end)

bot.private("uptime", {rights = 0, params = 1,
    help = "uptime: how long the scripts have been loaded and the bot connected"},
  function(ctx, parts)
    local now = os.time()
    local text = "Scripts loaded " .. span(now - loaded) .. " ago"
    local connected = bot.store.connected
    if connected then
      text = text .. ", connected for " .. span(now - connected)
    else
      text = text .. ", not connected"
    end
    ctx.reply(text .. ".")
  end)
