local t = setmetatable({}, {__gc = function() while true do end end})
bot.command("!x", {}, function(ctx, args) while true do pcall(error) end end)
