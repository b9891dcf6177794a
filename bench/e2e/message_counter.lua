-- The chatter workload's script: it reacts to every message, doing as
-- little as a script can, so the figure is what telling a script costs.
local messages = 0
bot.on("message", function(ev)
  messages = messages + 1
end)
