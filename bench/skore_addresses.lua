-- wrk script for the rate limiter: posts of an empty table (answered without
-- the database) from many client addresses, each named by X-Forwarded-For as
-- the trusted proxy in front of the server would name it. The addresses are
-- text in a header: nothing is sent to them.
--
--   wrk ... -s bench/skore_addresses.lua URL -- PREFIX COUNT
--
-- PREFIX.x.y for COUNT addresses (at most 65,536), taken in turn; each of wrk's
-- threads starts at a different place among them.

local threads = {}

function setup(thread)
  thread:set("id", #threads)
  table.insert(threads, thread)
end

local prefix, count, counter
local body = "N1=&S1=&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5="

function init(args)
  prefix = args[1] or "198.18"
  count = tonumber(args[2] or "65536")
  counter = id * 32749
  wrk.method = "POST"
  wrk.path = "/skore/pridejv.asp"
  wrk.body = body
  wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
end

function request()
  counter = counter + 1
  local n = counter % count
  wrk.headers["X-Forwarded-For"] = prefix .. "." .. math.floor(n / 256) .. "." .. (n % 256)
  return wrk.format()
end
