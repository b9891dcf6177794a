local kept = {}
bot.on('message', function(ev)
  kept[#kept + 1] = ev
  ev.text = nil; ev[1] = ev; ev.extra = {ev}; ev.nick = ev.address
  for k, v in pairs(ev) do bot.display(tostring(k) .. '=' .. tostring(v)) end
  bot.after(0, function() bot.say(ev.channel, kept[1].nick .. tostring(ev.text) .. ev.kind) end)
end)
bot.on('nick', function(ev) bot.say('#c', ev.new_nick .. ev.kind .. tostring(ev.channel)) end)
