local s = "x"
bot.on("join", function() while true do s = s .. s end end)
bot.every(1, function() bot.store[s:sub(1, 8)] = #s end)
