IF OBJECT_ID('TempDB.dbo.##vcliesp') IS NOT NULL 
DROP TABLE ##vcliesp